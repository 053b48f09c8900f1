#include "preview/CPreviewSettings.h"

#include "app/CSettingsStore.h"

const QList<int>& CPreviewSettings::OfferedSizes()
{
    static const QList<int> sizes = { 12, 16, 24, 36, 48, 72 };
    return sizes;
}

// The whole iroha poem: every kana once, the usual first text for a Japanese
// font.
QString CPreviewSettings::DefaultText()
{
    return QStringLiteral("いろはにほへと　ちりぬるを\nわかよたれそ　つねならむ\n"
                          "うゐのおくやま　けふこえて\nあさきゆめみし　ゑひもせす");
}

void CPreviewSettings::Read(const CSettingsStore& store)
{
    QString text;
    if (store.ReadRegString(kSection, QStringLiteral("Text"), text) && !text.isEmpty())
        m_strText = text;
    QString sizes;
    if (store.ReadRegString(kSection, QStringLiteral("Sizes"), sizes)) {
        QList<int> chosen;
        for (int size : OfferedSizes()) {
            if (sizes.split(QLatin1Char(',')).contains(QString::number(size)))
                chosen << size;
        }
        if (!chosen.isEmpty())
            m_sizes = chosen;
    }
    int32_t flag = 0;
    if (store.ReadRegDword(kSection, QStringLiteral("Vertical"), flag))
        m_bVertical = flag != 0;
    if (store.ReadRegDword(kSection, QStringLiteral("SampleFaceForMissing"), flag))
        m_bSampleFaceForMissing = flag != 0;
}

void CPreviewSettings::Write(const CSettingsStore& store) const
{
    QStringList sizes;
    for (int size : m_sizes)
        sizes << QString::number(size);
    store.WriteRegString(kSection, QStringLiteral("Text"), m_strText);
    store.WriteRegString(kSection, QStringLiteral("Sizes"), sizes.join(QLatin1Char(',')));
    store.WriteRegDword(kSection, QStringLiteral("Vertical"), m_bVertical ? 1 : 0);
    store.WriteRegDword(kSection, QStringLiteral("SampleFaceForMissing"), m_bSampleFaceForMissing ? 1 : 0);
}
