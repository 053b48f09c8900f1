// Feeds arbitrary bytes to the automation client as the answer line to a
// call: whatever a broken or hostile editor sends must end as a value or as
// one of the two exceptions a call is documented to throw. A text value then
// goes through the readers of the members that answer with text: the glyph
// list, the metrics and an outline.
#include "chartable/CFontMetrics.h"
#include "chartable/CGlyphCodes.h"
#include "fonteditor/CAutomationChannel.h"
#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CDispatchException.h"
#include "fonteditor/CGlyphOutline.h"

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
        if (value.Type() == CDispValue::EType::String) {
            const QString text = value.ToString();
            if (const auto cells = CGlyphCodes::Parse(text))
                (void)cells->size();
            if (const auto metrics = CFontMetrics::Parse(text))
                (void)metrics->AdvanceOf(0x41);
            if (const auto outline = CGlyphOutline::Parse(text))
                (void)outline->Commands().size();
        }
    } catch (const CDispatchException&) {
    } catch (const CAutomationFailure&) {
    }
    return 0;
}
