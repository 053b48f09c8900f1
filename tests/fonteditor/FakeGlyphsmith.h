#pragma once

#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CDispatchException.h"
#include "fonteditor/CGlyphsmithApplication.h"
#include "fonteditor/CGlyphsmithTypeface.h"
#include "fonteditor/IAutomationSystem.h"
#include "fonteditor/IFontFileField.h"

#include <QSet>
#include <QFile>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>

// An in-process stand-in for the font editor behind the same object
// interface. Every call is logged as "App.<dispid>" or "Font.<dispid>" with
// its arguments; a call can be made to throw, and results are scripted.
struct FakeEditorState {
    enum class EFault { None, Dispatch, General };

    QStringList log;
    QString strVersion = QStringLiteral("3.10");
    std::map<QString, EFault> faults; // by call name, e.g. "Font.39"
    // The editor dies (or stops and is ended) at that call, so many times:
    // the call fails as a vanished editor's does, and every object of that
    // editor is gone. What went into the font stays, as its journal keeps it.
    std::map<QString, int> deaths;
    int nGeneration = 0;
    // A death takes the glyphs with it, as for a new font whose journal the
    // next editor does not take over.
    bool bDeathLosesGlyphs = false;
    // Dispatch errors with their own code and description, by call name.
    std::map<QString, std::pair<quint16, QString>> refusals;
    QString strRecoveryNotice;
    bool bOpenFontFails = false;
    bool bNewFontFails = false;
    qint16 nPreserved = 7;
    // The import steps change the preserved value, as an editor may.
    bool bStepsChangePreserved = false;
    QString strFilePath;
    // Members numbered from 100 that this editor answers it does not have.
    QSet<int> lacking;
    qint32 nRecovered = 0;
    std::map<int, QString> names; // FamilyName .. Copyright, by dispid
    // The glyphs of the font by cell (code, plus 0x10000 for a vertical
    // form) with their outline text; the import sequence puts the selected
    // one in. An editor of before the members from 100 answers that it has
    // none of them.
    std::map<quint32, QString> glyphs;
    quint32 nSelected = 0;
    // Codes SelectGlyph refuses as a font without them does (code 2006).
    QSet<int> refused;
    bool bLacksLaterMembers = false;
    // Given instead of the real list when set, to send a damaged answer.
    std::optional<QString> glyphCodesAnswer;
    QString strMetrics = QStringLiteral("1024 880 144 1024");
    static inline const QString kImportedOutline = QStringLiteral("A 1000 M 100 0 L 900 0 L 900 800 L 100 800 Z");

    QString GlyphCodes() const
    {
        QStringList codes;
        for (const auto& [key, outline] : glyphs)
            codes << QString::number(key & 0xFFFF, 16).toUpper() + ((key & 0x10000) ? "v" : "");
        return codes.join(' ');
    }
    // The font file SaveCopy copies; none is written when empty.
    QString strCopySource;

    void Record(const QString& name, const QList<CDispValue>& args)
    {
        QStringList parts;
        for (const CDispValue& a : args) {
            switch (a.Type()) {
            case CDispValue::EType::Bool: parts << (a.ToBool() ? "true" : "false"); break;
            case CDispValue::EType::Short: parts << QString::number(a.ToShort()) + "s"; break;
            case CDispValue::EType::Long: parts << QString::number(a.ToLong()); break;
            case CDispValue::EType::String: parts << a.ToString(); break;
            default: parts << CDispValue::TypeName(a.Type());
            }
        }
        log << (parts.isEmpty() ? name : name + "(" + parts.join(',') + ")");
        if (auto death = deaths.find(name); death != deaths.end() && death->second > 0) {
            --death->second;
            ++nGeneration;
            if (bDeathLosesGlyphs)
                glyphs.clear();
            throw CAutomationFailure(QStringLiteral("gone at ") + name, CAutomationFailure::ECause::EditorGone);
        }
        if (auto refusal = refusals.find(name); refusal != refusals.end())
            throw CDispatchException(refusal->second.first, refusal->second.second);
        const auto fault = faults.find(name);
        if (fault == faults.end())
            return;
        if (fault->second == EFault::Dispatch)
            throw CDispatchException(1234, QStringLiteral("refused ") + name);
        if (fault->second == EFault::General)
            throw CAutomationFailure(QStringLiteral("broken ") + name);
    }
};

class FakeEditorFont : public IDispatchObject {
public:
    explicit FakeEditorFont(FakeEditorState& state)
        : m_state(state)
        , m_nGeneration(state.nGeneration)
    {
    }

    CDispValue Invoke(int dispId, EInvokeKind kind, const QList<CDispValue>& args, ECallBound) override
    {
        using F = CGlyphsmithTypeface;
        const QString name = QStringLiteral("Font.%1%2").arg(dispId).arg(kind == EInvokeKind::PropertyPut ? "=" : "");
        if (m_nGeneration != m_state.nGeneration)
            throw CAutomationFailure(QStringLiteral("no longer connected"), CAutomationFailure::ECause::EditorGone);
        m_state.Record(name, args);
        if (m_state.lacking.contains(dispId))
            throw CAutomationFailure(QStringLiteral("unknown member"), true);
        switch (dispId) {
        case F::DISPID_FamilyName:
        case F::DISPID_FamilyNameJa:
        case F::DISPID_FontVersion:
        case F::DISPID_Copyright:
            if (kind == EInvokeKind::PropertyPut)
                m_state.names[dispId] = args.at(0).ToString();
            return CDispValue::String(m_state.names[dispId]);
        case F::DISPID_RecoveredGlyphs: return CDispValue::Long(m_state.nRecovered);
        case F::DISPID_RecoveryNotice: return CDispValue::String(m_state.strRecoveryNotice);
        case F::DISPID_FilePath: return CDispValue::String(m_state.strFilePath);
        case F::DISPID_PreservedValue:
            if (kind == EInvokeKind::PropertyPut)
                m_state.nPreserved = args.at(0).ToShort();
            return CDispValue::Short(m_state.nPreserved);
        case F::DISPID_SelectGlyph:
            if (args.at(1).ToLong() == 0xFFFF)
                throw CDispatchException(F::kBadCharCode, QStringLiteral("bad code"));
            if (m_state.refused.contains(args.at(1).ToLong()))
                throw CDispatchException(2006, QStringLiteral("no such code"));
            m_state.nSelected = Key(args.at(1), args.at(2));
            return CDispValue();
        case F::DISPID_GlyphStep1:
        case F::DISPID_GlyphStep2:
            if (m_state.bStepsChangePreserved)
                m_state.nPreserved++;
            return CDispValue();
        case F::DISPID_GlyphStep4: m_state.glyphs[m_state.nSelected] = FakeEditorState::kImportedOutline; return CDispValue();
        case F::DISPID_SaveAs: m_state.strFilePath = args.at(0).ToString(); return CDispValue();
        case F::DISPID_GlyphCodes:
            Later();
            return CDispValue::String(m_state.glyphCodesAnswer.value_or(m_state.GlyphCodes()));
        case F::DISPID_GlyphOutline: {
            Later();
            const auto glyph = m_state.glyphs.find(Key(args.at(0), args.at(1)));
            return CDispValue::String(glyph == m_state.glyphs.end() ? QString() : glyph->second);
        }
        case F::DISPID_RemoveGlyph: {
            Later();
            const quint32 key = Key(args.at(0), args.at(1));
            m_state.glyphs.erase(key);
            if (!(key & 0x10000))
                m_state.glyphs.erase(key | 0x10000);
            return CDispValue();
        }
        case F::DISPID_Metrics: Later(); return CDispValue::String(m_state.strMetrics);
        case F::DISPID_SaveCopy:
            // Copies the file given, or only takes note of the call.
            if (!m_state.strCopySource.isEmpty()) {
                QFile::remove(args.at(0).ToString());
                QFile::copy(m_state.strCopySource, args.at(0).ToString());
            }
            return CDispValue();
        default: return CDispValue();
        }
    }

private:
    static quint32 Key(const CDispValue& code, const CDispValue& vertical)
    {
        return static_cast<quint32>(code.ToLong() & 0xFFFF) | (vertical.ToBool() ? 0x10000u : 0u);
    }
    void Later() const
    {
        if (m_state.bLacksLaterMembers)
            throw CAutomationFailure(QStringLiteral("unknown member"), true);
    }

    FakeEditorState& m_state;
    int m_nGeneration;
};

class FakeEditorApp : public IDispatchObject {
public:
    explicit FakeEditorApp(FakeEditorState& state)
        : m_state(state)
        , m_nGeneration(state.nGeneration)
    {
    }

    CDispValue Invoke(int dispId, EInvokeKind kind, const QList<CDispValue>& args, ECallBound) override
    {
        using A = CGlyphsmithApplication;
        const QString name = QStringLiteral("App.%1%2").arg(dispId).arg(kind == EInvokeKind::PropertyPut ? "=" : "");
        if (m_nGeneration != m_state.nGeneration)
            throw CAutomationFailure(QStringLiteral("no longer connected"), CAutomationFailure::ECause::EditorGone);
        m_state.Record(name, args);
        switch (dispId) {
        case A::DISPID_Version: return CDispValue::String(m_state.strVersion);
        case A::DISPID_ActiveFont: return CDispValue::Object(activeFont);
        case A::DISPID_NewFont:
            if (m_state.bNewFontFails)
                return CDispValue::Object(nullptr);
            m_state.strFilePath.clear();
            activeFont = std::make_shared<FakeEditorFont>(m_state);
            return CDispValue::Object(activeFont);
        case A::DISPID_OpenFont:
            if (m_state.bOpenFontFails)
                return CDispValue::Object(nullptr);
            m_state.strFilePath = args.at(0).ToString();
            activeFont = std::make_shared<FakeEditorFont>(m_state);
            return CDispValue::Object(activeFont);
        default: return CDispValue();
        }
    }
    bool IsConnected() override { return bConnected && m_nGeneration == m_state.nGeneration; }

    std::shared_ptr<FakeEditorFont> activeFont;
    bool bConnected = true;

private:
    FakeEditorState& m_state;
    int m_nGeneration;
};

// The system side: whether the ProgID is registered, an editor already
// running, and whether launching one works.
class FakeAutomationSystem : public IAutomationSystem {
public:
    bool ClassFromProgId(const QString& progId) override
    {
        log << "ClassFromProgId:" + progId;
        return bRegistered;
    }
    std::shared_ptr<IDispatchObject> GetActiveObject(const QString&) override
    {
        log << "GetActiveObject";
        return running && running->IsConnected() ? running : nullptr;
    }
    std::shared_ptr<IDispatchObject> CreateInstance(const QString&) override
    {
        log << "CreateInstance";
        if (!bLaunchable)
            return nullptr;
        launched = std::make_shared<FakeEditorApp>(state);
        return launched;
    }
    ELaunchFailure LastLaunchFailure() const override { return launchFailure; }
    void SetBatchMode(bool batch) override { log << QStringLiteral("SetBatchMode:%1").arg(batch); }
    void SetLongCallBound(int ms) override { longBounds << ms; }

    // Puts an editor in place as if the user had started it.
    std::shared_ptr<FakeEditorApp> StartByHand()
    {
        running = std::make_shared<FakeEditorApp>(state);
        return running;
    }

    FakeEditorState state;
    QStringList log;
    bool bRegistered = true;
    bool bLaunchable = true;
    ELaunchFailure launchFailure = ELaunchFailure::NotInstalled;
    QList<int> longBounds;
    std::shared_ptr<FakeEditorApp> running;
    std::shared_ptr<FakeEditorApp> launched;
};

// A file standing in for the temporary BMP the session is handed (and must
// delete): "QL<n>.tmp" in the folder.
inline QString MakeStandInBmp(const QString& folder, int& counter)
{
    const QString path = folder + QStringLiteral("/QL%1.tmp").arg(counter++);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("BM");
    return path;
}

class FakeFontFileField : public IFontFileField {
public:
    QString GetFontFilePathText() const override { return text; }
    void SetFontFilePathText(const QString& t) override { text = t; }
    QString text;
};
