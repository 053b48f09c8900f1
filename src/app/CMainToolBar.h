#pragma once

#include <QStringList>
#include <QToolBar>

class QComboBox;

// The standard toolbar: its buttons come from the frame; it adds the list of
// installed Japanese faces for the sample outline.
class CMainToolBar : public QToolBar
{
    Q_OBJECT

public:
    explicit CMainToolBar(QWidget* parent = nullptr);

    // Puts the face list where the ninth entry of the toolbar goes.
    void AddFaceList();
    void FillFaceNames();
    void FillFaceNames(const QStringList& families);
    void SelectFaceName(const QString& text);
    QString GetSelectedFaceName() const;
    QComboBox* FaceCombo() const { return m_pFaceCombo; }

signals:
    // The user confirmed a face in the list.
    void FaceSelected();

private:
    QComboBox* m_pFaceCombo = nullptr;
    QStringList m_names;
};
