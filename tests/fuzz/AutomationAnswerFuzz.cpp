// Feeds arbitrary bytes to the automation client as the answer line to a
// call: whatever a broken or hostile editor sends must end as a value or as
// one of the two exceptions a call is documented to throw.
#include "fonteditor/CAutomationChannel.h"
#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CDispatchException.h"

#include <QCoreApplication>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_automation_answer";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QByteArray answer(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto channel = CAutomationChannel::Unconnected();
    try {
        const CDispValue value = channel->ReadAnswer(answer, 1);
        (void)value.Type();
    } catch (const CDispatchException&) {
    } catch (const CAutomationFailure&) {
    }
    return 0;
}
