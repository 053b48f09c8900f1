// Feeds arbitrary bytes to the pen file parser.
#include "pen/CPenFile.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CPenTip::Bits bits;
    bits.fill(0x5A);
    const CPenFile::ParseResult result = CPenFile::Parse(content, bits);
    if (result != CPenFile::ParseResult::Ok) {
        // A rejected file leaves the caller's tip untouched.
        for (const auto b : bits) {
            if (b != 0x5A)
                std::abort();
        }
        return 0;
    }
    // An accepted file is a whole pen file, and writing the tip again gives
    // the same size fields and image.
    const QByteArray rebuilt = CPenFile::Build(bits);
    if (content.size() < CPenFile::kFileSize
        || std::memcmp(rebuilt.constData() + 12, content.constData() + 12, CPenFile::kFileSize - 12) != 0)
        std::abort();
    return 0;
}
