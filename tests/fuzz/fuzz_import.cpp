// The profile reader on any bytes never faults, and a document written of the values it took reads back to
// the same document, in either language's items.
#include <cstdint>
#include <cstdlib>

#include "cfgfile/profilefile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ProfileFile taken = ProfileFile::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    (void)taken.refusals();   // what an import would say of it is built too
    for (const bool english : {false, true}) {
        const QByteArray first = ProfileFile::document(taken.config(), taken.workMode(), english);
        const ProfileFile back = ProfileFile::parse(first);
        if (!back.readFailure().isEmpty() || ProfileFile::document(back.config(), back.workMode(), english) != first)
            std::abort();
    }
    return 0;
}
