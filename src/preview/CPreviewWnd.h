#pragma once

#include "canvas/CSampleFont.h"
#include "preview/CFontSnapshot.h"
#include "preview/CPreviewRenderer.h"
#include "preview/CPreviewScheduler.h"
#include "preview/CPreviewSettings.h"

#include <QFutureWatcher>
#include <QHash>
#include <QWidget>
#include <functional>

class CFontEditorSession;
class IAutomationSystem;
class CSettingsStore;
class IFontFileField;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;

// The modeless window "プレビュー": typed text in the font as it is now, at
// several sizes, horizontal or vertical. The editor's copy of the font, the
// shaping and the drawing go to a worker thread, so the main window keeps
// answering meanwhile.
class CPreviewWnd : public QWidget {
    Q_OBJECT

public:
    struct Services {
        CFontEditorSession& session;
        IAutomationSystem& automation;
        const IFontFileField& fontFileField;
        std::function<bool()> busy; // a batch run goes on
        std::function<QString()> sampleFaceName; // the face of the main window's sample
        const CSettingsStore* store = nullptr;
    };

    CPreviewWnd(const Services& services, QWidget* parent = nullptr);
    ~CPreviewWnd() override;

    // The font changed: the preview follows once the work pauses.
    void FontChanged() { m_scheduler.FontChanged(); }
    // A new copy of the font from the editor, then a new picture.
    void Refresh();
    // A new picture from the copy there is.
    void Render();

    CPreviewScheduler& Scheduler() { return m_scheduler; }
    const QImage& Picture() const { return m_picture; }
    QString StatusText() const;
    bool IsRendering() const { return m_watcher.isRunning(); }
    const CPreviewSettings& Settings() const { return m_settings; }
    QPlainTextEdit* TextEdit() const { return m_pText; }
    QCheckBox* SizeBox(int size) const { return m_sizeBoxes.value(size); }
    QRadioButton* VerticalButton() const { return m_pVertical; }
    QCheckBox* SampleFaceBox() const { return m_pSampleFace; }

    // Writes the picture shown as a PNG file; reports its own failure.
    bool SavePicture(const QString& path);

signals:
    // A new picture is on the screen (or a message in its place).
    void PictureShown();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void ReadControls();
    void Start(bool copy);
    void OnRendered();
    void OnSaveImage();
    void ShowStatus(const QString& text);

    Services m_services;
    CSampleFont m_faces;
    CFontSnapshot m_snapshot;
    CPreviewScheduler m_scheduler;
    CPreviewSettings m_settings;
    QString m_strFontPath;
    struct SOutcome {
        CPreviewRenderer::SPicture picture;
        QString fontPath; // the copy the picture was drawn from
    };
    QFutureWatcher<SOutcome> m_watcher;
    bool m_bRenderAgain = false;
    bool m_bCopyAgain = false;
    bool m_bStale = true;
    QImage m_picture;

    QPlainTextEdit* m_pText = nullptr;
    QHash<int, QCheckBox*> m_sizeBoxes;
    QRadioButton* m_pHorizontal = nullptr;
    QRadioButton* m_pVertical = nullptr;
    QCheckBox* m_pSampleFace = nullptr;
    QLabel* m_pStatus = nullptr;
    QLabel* m_pImage = nullptr;
    QScrollArea* m_pScroll = nullptr;
};
