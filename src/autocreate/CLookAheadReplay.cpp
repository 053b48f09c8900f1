#include "autocreate/CLookAheadReplay.h"

#include "app/IMessageBox.h"
#include "autocreate/CAutoCreator.h"
#include "strokes/CStrokeFileStore.h"
#include "strokes/IStrokeFileHost.h"

#include <QFile>

namespace {

// A stroke file's content, read without touching the view.
class ReadOnlyHost : public IStrokeFileHost
{
public:
    explicit ReadOnlyHost(int side) : m_nSide(side) {}
    QString StrokeFolder() const override { return QString(); }
    QByteArray CurrentChar() const override { return m_char; }
    void SetCurrentChar(const QByteArray& ch) override { m_char = ch; }
    bool IsVerticalChecked() const override { return m_bVertical; }
    void SetVerticalCheck(bool checked) override { m_bVertical = checked; }
    int BmpSize() const override { return m_nSide; }
    CPointAryAry2& Strokes() override { return m_strokes; }

private:
    int m_nSide;
    QByteArray m_char;
    bool m_bVertical = false;
    CPointAryAry2 m_strokes;
};

// A damaged file is the run's own to report, when it loads the file itself.
class NoMessages : public IMessageBox
{
public:
    void ShowMessage(const QString&) override {}
    bool AskYesNo(const QString&) override { return false; }
};

bool DrawsAlike(const CDrawingModel& a, const CDrawingModel& b)
{
    return a.Tool() == b.Tool() && a.ToolSize() == b.ToolSize() && a.Canvas().Width() == b.Canvas().Width()
        && a.Canvas().Height() == b.Canvas().Height() && a.RoundTip().Diameter() == b.RoundTip().Diameter()
        && a.PenTip().PenBits() == b.PenTip().PenBits();
}

} // namespace

CLookAheadReplay::CLookAheadReplay(const CDrawingModel& drawing)
    : m_model(drawing)
{
    m_model.SetHost(nullptr);
    m_model.ClearCanvas();
    m_model.ResetHistory();
    m_thread = std::thread([this] { Work(); });
}

CLookAheadReplay::~CLookAheadReplay()
{
    {
        const std::lock_guard lock(m_mutex);
        m_bQuit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CLookAheadReplay::Start(const QString& path)
{
    {
        const std::lock_guard lock(m_mutex);
        m_pending = path;
        m_drawn.reset();
    }
    m_changed.notify_all();
}

std::optional<CCanvasBitmap> CLookAheadReplay::Take(
    const QString& path, const CPointAryAry2& strokes, const CDrawingModel& drawing)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_bBusy && m_pending.isEmpty(); });
    std::optional<SDrawn> drawn = std::exchange(m_drawn, std::nullopt);
    if (!drawn || drawn->path != path || drawn->strokes != strokes || !DrawsAlike(m_model, drawing))
        return std::nullopt;
    return std::move(drawn->canvas);
}

void CLookAheadReplay::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_bQuit || !m_pending.isEmpty(); });
        if (m_bQuit)
            return;
        const QString path = std::exchange(m_pending, QString());
        m_bBusy = true;
        lock.unlock();
        Replay(path);
        lock.lock();
        m_bBusy = false;
        m_changed.notify_all();
    }
}

// Runs on the worker alone; what it leaves is read under the lock.
void CLookAheadReplay::Replay(const QString& path)
{
    ReadOnlyHost content(m_model.Canvas().Width());
    NoMessages silent;
    CStrokeFileStore store(content, silent);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !store.ReadStrokeFile(file, path))
        return;
    m_model.ClearCanvas();
    CAutoCreator::DrawStrokes(m_model, content.Strokes());
    const std::lock_guard lock(m_mutex);
    // A newer file asked for meanwhile makes this one stale.
    if (!m_pending.isEmpty())
        return;
    m_drawn = SDrawn { path, std::move(content.Strokes()), m_model.Canvas() };
}
