// An SVG importer for the tests: it reads no SVG at all, but hands back as
// its graphics whatever it was given, when that starts like a binary
// property list (so a test passes an archive of graphics, or junk that
// looks like one).  Anything else it refuses to load.

#include "platform/PluginInterface.h"

#include <cstring>
#include <vector>

namespace {

struct Importer {
    std::vector<unsigned char> bytes;
};

void *create()
{
    return new Importer;
}

std::uint8_t loadSVG(void *importer, const unsigned char *bytes, std::size_t length)
{
    if (length < 6 || std::memcmp(bytes, "bplist", 6) != 0)
        return false;
    static_cast<Importer *>(importer)->bytes.assign(bytes, bytes + length);
    return true;
}

void graphics(void *importer, void (*write)(void *, const unsigned char *, std::size_t), void *context)
{
    // In two pieces, as an importer writing as it goes would.
    const std::vector<unsigned char> &bytes = static_cast<Importer *>(importer)->bytes;
    const std::size_t half = bytes.size() / 2;
    write(context, bytes.data(), half);
    write(context, bytes.data() + half, bytes.size() - half);
}

void release(void *importer)
{
    delete static_cast<Importer *>(importer);
}

const SvgImporterFunctions functions = {scrivane::SvgImporterInterfaceVersion, create, loadSVG, graphics, release};

} // namespace

SCRIVANE_PLUGIN_EXPORT const SvgImporterFunctions *TDDocumentSVG(int version)
{
    return version == scrivane::SvgImporterInterfaceVersion ? &functions : nullptr;
}
