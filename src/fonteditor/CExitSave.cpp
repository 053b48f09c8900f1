#include "fonteditor/CExitSave.h"

#include "app/IMessageBox.h"
#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CDispatchException.h"
#include "fonteditor/CFontFileCheck.h"
#include "fonteditor/CFontPlaceChooser.h"
#include "fonteditor/CGlyphsmithTypeface.h"
#include "res/CStringTable.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using M = CStringTable::EMessage;

CExitSave::CExitSave(CGlyphsmithTypeface& font, IMessageBox& messages, CFontPlaceChooser& chooser, SHooks hooks)
    : m_font(font)
    , m_messages(messages)
    , m_chooser(chooser)
    , m_hooks(std::move(hooks))
{
}

QString CExitSave::RecoveryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/recovery");
}

CExitSave::EOutcome CExitSave::TrySave(const std::function<void()>& save, QString& reason)
{
    try {
        save();
        return EOutcome::Saved;
    } catch (const CDispatchException& e) {
        reason = e.Description();
        return EOutcome::Refused;
    } catch (const CAutomationFailure& e) {
        if (e.IsAnswered()) {
            reason = e.Reason();
            return EOutcome::Refused;
        }
        reason = QStringLiteral("Glyphsmithとの接続が切れました。");
        return e.IsEditorGone() ? EOutcome::EditorGone : EOutcome::Lost;
    }
}

QString CExitSave::FailureCause(const QString& target, const QString& description)
{
    const CFontFileCheck::SWritePlace place = CFontFileCheck::CheckWritable(target);
    if (!place.IsWritable())
        return CFontFileCheck::RefusalText(place);
    const QString heading = QStringLiteral("原因：");
    const qsizetype at = description.lastIndexOf(heading);
    return at >= 0 ? description.mid(at + heading.size()).trimmed() : description.trimmed();
}

QString CExitSave::Keep(const QString& path)
{
    if (path.isEmpty()) {
        // The user agreed to quit without giving the new font a file; the
        // glyphs are kept all the same.
        WriteRecoveryCopy(path, QString());
        return path;
    }
    QString reason;
    m_hooks.prepareLongCall(path);
    EOutcome outcome = TrySave([this] { m_font.Save(); }, reason);
    if (outcome == EOutcome::EditorGone && m_hooks.reopen(path))
        outcome = TrySave([this] { m_font.Save(); }, reason);
    QString target = path;
    while (outcome == EOutcome::Refused && m_chooser.CanChoose()) {
        const QString failed = CStringTable::Message(M::SaveFailedCause)
                                   .arg(QDir::toNativeSeparators(target), FailureCause(target, reason));
        if (!m_messages.AskYesNo(failed + QStringLiteral("\n\n別の名前で保存しますか？")))
            break;
        const QString chosen = m_chooser.AskFile(target);
        if (chosen.isEmpty())
            break;
        target = chosen;
        outcome = TrySave([&] { m_font.SaveAs(target); }, reason);
        if (outcome == EOutcome::Saved)
            return target;
    }
    if (outcome == EOutcome::Saved)
        return path;
    m_bFailed = true;
    const bool lost = outcome == EOutcome::Lost || outcome == EOutcome::EditorGone;
    if (lost || !m_chooser.CanChoose())
        m_messages.ShowStop(CStringTable::Message(M::SaveFailedCause)
                                .arg(QDir::toNativeSeparators(target), FailureCause(target, reason)));
    if (!lost)
        WriteRecoveryCopy(path, reason);
    return path;
}

void CExitSave::WriteRecoveryCopy(const QString& fontPath, const QString& reason)
{
    const QString folder = RecoveryFolder();
    const QString stem = fontPath.isEmpty() ? QStringLiteral("新規フォント") : QFileInfo(fontPath).completeBaseName();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copy = QStringLiteral("%1/%2-%3.ttf").arg(folder, stem, stamp);
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = QStringLiteral("%1/%2-%3-%4.ttf").arg(folder, stem, stamp).arg(n);

    QString failure;
    EOutcome outcome = EOutcome::Refused;
    if (!QDir().mkpath(folder)) {
        failure = QStringLiteral("フォルダを作成できません。");
    } else {
        outcome = TrySave(
            [&] {
                try {
                    m_font.SaveCopy(copy);
                } catch (const CMissingMember&) {
                    // The editor ends with the program, so taking the font
                    // over to the copy's file costs nothing.
                    m_font.SaveAs(copy);
                }
            },
            failure);
    }
    const QString where = QDir::toNativeSeparators(copy);
    if (outcome != EOutcome::Saved) {
        m_bFailed = true;
        const QString what = reason.isEmpty() ? QStringLiteral("新規フォントの復旧用のコピーを保存できませんでした。")
                                              : QStringLiteral("フォントの復旧用のコピーも保存できませんでした。");
        m_messages.ShowStop(
            what + QStringLiteral("\n%1\n原因：%2\n作成した文字は保存されていません。").arg(where, failure));
        return;
    }
    if (reason.isEmpty())
        m_messages.ShowInformation(
            QStringLiteral("保存されていない新規フォントの復旧用のコピーを次のファイルに保存しました。\n%1")
                .arg(where));
    else
        m_messages.ShowMessage(
            QStringLiteral("フォントを保存できなかったため、復旧用のコピーを次のファイルに保存しました。\n%1")
                .arg(where));
}
