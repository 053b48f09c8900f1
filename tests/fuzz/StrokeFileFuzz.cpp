// Feeds arbitrary bytes to the stroke file reader as the content of a file.
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
    FakeMessageBox messages;
    CStrokeFileStore store(host, messages);
    const bool loaded = store.ReadStrokeFile(buffer, QStringLiteral("fuzz.stk"));

    // Every failure is told exactly once, and a success is silent.
    if (messages.messages.size() != (loaded ? 0 : 1) || !messages.questions.isEmpty())
        std::abort();
    // Points only ever come out of a stored stroke count, never out of thin air.
    if (host.strokes.size() > 32767)
        std::abort();
    return 0;
}
