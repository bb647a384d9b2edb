// Capture runs on the GUI thread at every copy; these measure it on large copies.
//   ./capture_benchmark [--benchmark_filter=...]

#include "entries/ClipboardCapture.h"
#include "entries/ImageNormalizer.h"
#include "platform/memory/MemoryPasteboard.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace quillstack;

namespace {

// Prose of about `bytes` bytes in short paragraphs, without code markers.
QByteArray prose(qsizetype bytes) {
    static const QByteArray sentence =
        "The quick brown fox jumps over the lazy dog, and the dog does not mind at all. ";
    QByteArray text;
    text.reserve(bytes + sentence.size());
    int sentences = 0;
    while (text.size() < bytes) {
        text += sentence;
        if (++sentences % 6 == 0) {
            text += "\n\n";
        }
    }
    text.truncate(bytes);
    return text;
}

QByteArray htmlDocument(qsizetype bytes) {
    QByteArray html = "<html><body>";
    int row = 0;
    while (html.size() < bytes) {
        html += "<p class=\"c\">Row " + QByteArray::number(++row) +
                " with <b>bold</b>, <i>italic</i> and <a href=\"https://example.com/\">a link"
                "</a>.</p>\n";
    }
    return html + "</body></html>";
}

QByteArray photoTiff(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(0.5, Qt::yellow);
    gradient.setColorAt(1, Qt::darkRed);
    painter.fillRect(image.rect(), gradient);
    for (int x = 0; x < width; x += 97) {
        painter.drawLine(x, 0, width - x, height);
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "TIFF");
    return bytes;
}

void captureLoop(benchmark::State& state, MemoryPasteboard& pasteboard) {
    for (auto _ : state) {
        auto entry = ClipboardCapture::capture(pasteboard, QStringLiteral("org.example.editor"));
        benchmark::DoNotOptimize(entry);
    }
}

void BM_CapturePlainText(benchmark::State& state) {
    MemoryPasteboard pasteboard;
    pasteboard.offer(Pasteboard::stringType(), prose(state.range(0) * 1024 * 1024));
    captureLoop(state, pasteboard);
}
BENCHMARK(BM_CapturePlainText)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

void BM_CaptureHtml(benchmark::State& state) {
    MemoryPasteboard pasteboard;
    pasteboard.offer(Pasteboard::htmlType(), htmlDocument(2 * 1024 * 1024));
    pasteboard.offer(Pasteboard::stringType(), prose(1024 * 1024));
    captureLoop(state, pasteboard);
}
BENCHMARK(BM_CaptureHtml)->Unit(benchmark::kMillisecond);

void BM_CaptureTiff(benchmark::State& state) {
    MemoryPasteboard pasteboard;
    pasteboard.offer(Pasteboard::tiffType(), photoTiff(6000, 4000));
    captureLoop(state, pasteboard);
}
BENCHMARK(BM_CaptureTiff)->Unit(benchmark::kMillisecond);

// The steps of the TIFF capture on their own.
void BM_TiffDecode(benchmark::State& state) {
    const QByteArray tiff = photoTiff(6000, 4000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ImageNormalizer::decode(tiff));
    }
}
BENCHMARK(BM_TiffDecode)->Unit(benchmark::kMillisecond);

void BM_PngDataFromPhoto(benchmark::State& state) {
    const QImage image = *ImageNormalizer::decode(photoTiff(6000, 4000));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ImageNormalizer::pngData(image, 1800));
    }
}
BENCHMARK(BM_PngDataFromPhoto)->Unit(benchmark::kMillisecond);

void BM_IsLikelyCode(benchmark::State& state) {
    const QString text = QString::fromUtf8(prose(state.range(0) * 1024 * 1024));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ClipboardCapture::isLikelyCode(text));
    }
}
BENCHMARK(BM_IsLikelyCode)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
