#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

struct chmFile;

// Read access to the pages of a compiled HTML help file.
class CChmArchive
{
public:
    // An archive that is not open when the file cannot be read as one.
    explicit CChmArchive(const QString& path);
    ~CChmArchive();
    CChmArchive(const CChmArchive&) = delete;
    CChmArchive& operator=(const CChmArchive&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    // The object at an archive path such as "/index.html"; nothing when it
    // is missing or larger than any help page can be.
    std::optional<QByteArray> Read(const QString& objectPath) const;

    // The help file of a program: the program file's name with ".CHM",
    // beside it or in the installed data folder.
    static QString HelpPathFor(const QString& programFilePath);

private:
    struct Closer
    {
        void operator()(chmFile* file) const;
    };
    std::unique_ptr<chmFile, Closer> m_file;
};
