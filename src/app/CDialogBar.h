#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;

// The bar below the standard toolbar: the font file field with its "..."
// button, the character field and the vertical-writing box.
class CDialogBar : public QWidget
{
    Q_OBJECT

public:
    explicit CDialogBar(QWidget* parent = nullptr);

    QLineEdit* FontFileEdit() const { return m_pFontFile; }
    QPushButton* ChooseButton() const { return m_pChoose; }
    QLineEdit* CharEdit() const { return m_pChar; }
    QCheckBox* VerticalBox() const { return m_pVertical; }

private:
    QLineEdit* m_pFontFile;
    QPushButton* m_pChoose;
    QLineEdit* m_pChar;
    QCheckBox* m_pVertical;
};
