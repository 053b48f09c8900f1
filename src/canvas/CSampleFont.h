#pragma once

#include "canvas/ISampleGlyphSource.h"

#include <QHash>
#include <QStringList>
#include <memory>

class CFreeTypeLibrary;

// Sample glyphs from the installed fonts: fontconfig picks the face for a
// name, asking for Japanese coverage so that a face that is not installed
// falls back to a Japanese one; HarfBuzz applies the 'vert' substitution for
// vertical forms; FreeType gives the outline and the metrics. Faces once
// matched stay open for the run, as the platform's font mapper keeps them.
class CSampleFont : public ISampleGlyphSource
{
public:
    CSampleFont();
    ~CSampleFont() override;
    CSampleFont(const CSampleFont&) = delete;
    CSampleFont& operator=(const CSampleFont&) = delete;

    CSampleGlyph Glyph(const QString& faceName, const QString& text, bool vertical) override;

    // The file the face name is matched to; empty when none.
    QString MatchedFile(const QString& faceName);
    // The family names of the face the sample is drawn in for a face name,
    // whether or not a face of that name is installed.
    static QStringList MatchedFamilies(const QString& faceName);

private:
    struct Face;
    Face* FaceFor(const QString& faceName);

    std::unique_ptr<CFreeTypeLibrary> m_library;
    QHash<QString, std::shared_ptr<Face>> m_faces;
};
