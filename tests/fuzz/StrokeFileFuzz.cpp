// Feeds arbitrary bytes to the stroke file reader as the content of a file.
#include "autocreate/CAutoCreator.h"
#include "canvas/CDrawingModel.h"
#include "strokes/CStrokeFileStore.h"
#include "strokes/FakeStrokeFileHost.h"
#include "support/FakeMessageBox.h"

#include <QBuffer>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&content);
    buffer.open(QIODevice::ReadOnly);

    FakeStrokeFileHost host;
    host.size = 128; // stored sizes other than this are scaled
    FakeMessageBox messages;
    CStrokeFileStore store(host, messages);
    const bool loaded = store.ReadStrokeFile(buffer, QStringLiteral("fuzz.stk"));

    // Every failure is told exactly once, and a success is silent.
    if (messages.messages.size() != (loaded ? 0 : 1) || !messages.questions.isEmpty())
        std::abort();
    if (host.strokes.size() > 32767)
        std::abort();
    // Replaying draws every point read, wherever it lies, on a small canvas.
    if (loaded) {
        CDrawingModel drawing(host.size, 2);
        CAutoCreator::DrawStrokes(drawing, host.strokes);
    }
    return 0;
}
