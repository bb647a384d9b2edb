#pragma once

#include <QTextDocument>

namespace quillstack {

// A text document that never fetches anything: images, style sheets and background images
// named by imported HTML or Markdown resolve to nothing instead of being read from disk or
// the network. Previews are imported into one, and the panel draws them in one.
class PreviewDocument : public QTextDocument {
    Q_OBJECT

public:
    explicit PreviewDocument(QObject* parent = nullptr);

    // Removes image objects and background-image references, so that a fragment taken from
    // this document is safe to lay out in any other document.
    void removeExternalResources();

protected:
    QVariant loadResource(int type, const QUrl& name) override;
};

} // namespace quillstack
