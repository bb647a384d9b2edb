#include "platform/Diagnostics.h"

#include <cstdio>

namespace quillstack {

void printDiagnostic(const QString& text) {
    const QByteArray line =
        (QStringLiteral("Quillstack: ") + text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace quillstack
