#include "fonteditor/CFontPlaceChooser.h"

#include "app/IMessageBox.h"
#include "fonteditor/CFontPath.h"
#include "res/CStringTable.h"

#include <QDir>
#include <QFileInfo>

using M = CStringTable::EMessage;

CFontPlaceChooser::CFontPlaceChooser(IMessageBox& messages, std::function<void(const QString&)> reportError)
    : m_messages(messages)
    , m_reportError(std::move(reportError))
{
}

QString CFontPlaceChooser::AskFile(const QString& currentPath) const
{
    const QString chosen = m_choose ? m_choose(currentPath) : QString();
    return chosen.isEmpty() ? QString() : CFontPath::WithSuffix(QFileInfo(chosen).absoluteFilePath());
}

QString CFontPlaceChooser::PlaceForUnwritable(
    const CFontFileCheck::SWritePlace& place, const QString& suggested, const QString& refused)
{
    return ChooseWritablePlace(
        RefusalWithNextStep(place), CStringTable::Message(M::ChooseOtherPlace), suggested, refused);
}

// The refused file is never written: the new font gets a file of its own,
// suggested beside it.
QString CFontPlaceChooser::PlaceForNewFontInstead(const QString& refused, const QString& reason)
{
    if (!m_choose) {
        m_reportError(reason);
        return QString();
    }
    const QFileInfo info(refused);
    const QString suggested = info.dir().filePath(info.completeBaseName() + QStringLiteral("-手書き.ttf"));
    return ChooseWritablePlace(reason + u'\n' + CStringTable::Message(M::OfferNewFont),
        CStringTable::Message(M::MakeNewFont), suggested, refused);
}

QString CFontPlaceChooser::ChooseWritablePlace(
    QString text, const QString& action, const QString& suggested, const QString& refused)
{
    if (!m_choose) {
        m_reportError(text);
        return QString();
    }
    for (;;) {
        if (m_bringToFront)
            m_bringToFront();
        if (!m_messages.AskAction(text, action))
            return QString();
        const QString chosen = AskFile(suggested);
        if (chosen.isEmpty())
            return QString();
        if (!refused.isEmpty() && CFontPath::IsSameFile(chosen, refused)) {
            text = CStringTable::Message(M::SameFileChosen).arg(QDir::toNativeSeparators(chosen));
            continue;
        }
        const CFontFileCheck::SWritePlace place = CFontFileCheck::CheckWritable(chosen);
        if (place.IsWritable())
            return chosen;
        text = RefusalWithNextStep(place);
    }
}

QString CFontPlaceChooser::RefusalWithNextStep(const CFontFileCheck::SWritePlace& place)
{
    return CFontFileCheck::RefusalText(place) + u'\n' + CStringTable::Message(M::ChooseOtherPlaceStep);
}
