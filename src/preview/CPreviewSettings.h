#pragma once

#include <QList>
#include <QString>

class CSettingsStore;

// What the preview window shows: the text, the pixel sizes of the specimen,
// the writing direction, and whether characters the font lacks borrow the
// sample face. Kept in a group of the preview's own in the settings file.
class CPreviewSettings {
public:
    static inline const QString kSection = QStringLiteral("Preview");

    // The sizes offered, in pixels; the specimen shows the chosen ones in
    // this order.
    static const QList<int>& OfferedSizes();
    static QString DefaultText();

    QString m_strText = DefaultText();
    QList<int> m_sizes = { 16, 24, 36, 48 };
    bool m_bVertical = false;
    bool m_bSampleFaceForMissing = false;

    // Values that cannot be read, or make no sense, keep their defaults.
    void Read(const CSettingsStore& store);
    void Write(const CSettingsStore& store) const;
};
