#pragma once

// The binary interface between a plug-in module (a shared library loaded by
// path) and the program that loads it.  Everything that crosses the module
// boundary is plain C: the module carries its own copies of Scrivane's
// libraries with their symbols hidden, so no C++ object of one side may be
// handed to the other.  Only cairo, a shared library both sides use, is
// passed as such.
//
// A module exports a factory function by name.  The loader calls it with
// the type of plug-in it wants; the factory answers a new instance (or null
// when it makes no such type).  An instance is a pointer to a pointer to a
// function table that begins with the three base functions below; the
// loader asks it for the interface it knows (`QueryInterface`) and gets the
// same instance back with one more reference, then calls the interface's
// own functions and releases its references when done.

#include <cairo.h>

#include <cstddef>
#include <cstdint>

#define SCRIVANE_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

extern "C" {

// A UUID as its 16 bytes in the order of its text form.
struct PluginUUIDBytes {
    std::uint8_t bytes[16];
};

using PluginResult = std::int32_t;
using PluginRefCount = std::uint32_t;

// factory(allocator, type): a new instance of the type, or null.  Instances
// use the plain memory allocator; `allocator` is there for the signature's
// sake and is not used.
using PluginFactoryFunction = void *(*)(void *allocator, const PluginUUIDBytes *typeID);

// The functions every interface table begins with.
#define SCRIVANE_PLUGIN_BASE_INTERFACE                                                                          \
    void *reserved;                                                                                            \
    PluginResult (*QueryInterface)(void *thisInstance, PluginUUIDBytes interfaceID, void **result);            \
    PluginRefCount (*AddRef)(void *thisInstance);                                                              \
    PluginRefCount (*Release)(void *thisInstance)

struct PluginBaseInterface {
    SCRIVANE_PLUGIN_BASE_INTERFACE;
};

// --- Drawing requests (preview and thumbnail) ----------------------------------------------------------

// A request for a drawing of a document, made by the program and answered
// by a preview plug-in.  The plug-in asks for a drawing context of the size
// it needs (points), draws into it and flushes it back.  The context's user
// space is in points with y running up from the bottom-left corner, like a
// page; the request decides how many pixels a point takes (a thumbnail is
// scaled to fit the size the program asked for).  A request answers a null
// context for a size it cannot or will not draw (empty, not finite, or
// beyond its limits).
struct PreviewRequest;
struct PreviewRequestFunctions {
    cairo_t *(*createContext)(PreviewRequest *request, double width, double height, int isBitmap);
    void (*flushContext)(PreviewRequest *request, cairo_t *context);
    // Why nothing was drawn, one line of UTF-8, for the program's message.
    void (*reportFailure)(PreviewRequest *request, const char *message);
};
struct PreviewRequest {
    const PreviewRequestFunctions *functions;
};

// --- Metadata requests -----------------------------------------------------------------------------------

// The attributes a metadata plug-in fills for one file.
struct MetadataAttributes;
struct MetadataAttributesFunctions {
    // Sets the attribute `key` to `length` bytes of UTF-8 text.
    void (*setString)(MetadataAttributes *attributes, const char *key, const char *text, std::size_t length);
    // Why the file gave no attributes, one line of UTF-8.
    void (*reportFailure)(MetadataAttributes *attributes, const char *message);
};
struct MetadataAttributes {
    const MetadataAttributesFunctions *functions;
};

} // extern "C"

namespace scrivane {

inline constexpr PluginResult PluginOK = 0;
inline constexpr PluginResult PluginNoInterface = static_cast<PluginResult>(0x80000004u);

// The base interface every instance answers to.
inline constexpr const char *PluginBaseInterfaceID = "00000000-0000-0000-C000-000000000046";

// Preview plug-ins: the type their factory makes and the interface of
// their drawing callbacks.
inline constexpr const char *PreviewGeneratorTypeID = "5E2D9680-5022-40FA-B806-43349622E5B9";
inline constexpr const char *PreviewGeneratorCallbacksInterfaceID = "865AF5E0-6D30-4345-951B-D37105754F2D";
// Metadata plug-ins: the type and the interface.
inline constexpr const char *MetadataImporterTypeID = "8B08C4BF-415B-11D8-B3F9-0003936726FC";
inline constexpr const char *MetadataImporterInterfaceID = "6EBC27C4-899C-11D8-84AE-0003936726FC";

// The attribute under which a metadata plug-in hands over the text a file
// contains.
inline constexpr const char *TextContentAttribute = "TextContent";

} // namespace scrivane

extern "C" {

// The preview plug-in interface.
struct PreviewGeneratorInterface {
    SCRIVANE_PLUGIN_BASE_INTERFACE;
    // thumbnail(instance, request, URL, content type, options, maximum size)
    PluginResult (*GenerateThumbnailForURL)(void *thisInstance, PreviewRequest *request, const char *url,
                                           const char *contentType, const void *options, double maxWidth,
                                           double maxHeight);
    void (*CancelThumbnailGeneration)(void *thisInstance, PreviewRequest *request);
    PluginResult (*GeneratePreviewForURL)(void *thisInstance, PreviewRequest *request, const char *url,
                                         const char *contentType, const void *options);
    void (*CancelPreviewGeneration)(void *thisInstance, PreviewRequest *request);
};

// The metadata plug-in interface.
struct MetadataImporterInterface {
    SCRIVANE_PLUGIN_BASE_INTERFACE;
    // Fills the attributes of the file at `path` (UTF-8); false when it
    // could not be read.
    std::uint8_t (*GetMetadataForFile)(void *thisInstance, MetadataAttributes *attributes,
                                       const char *contentType, const char *path);
};

} // extern "C"

extern "C" {

// --- SVG import ----------------------------------------------------------------------------------------

// An SVG import module turns the bytes of an SVG document into graphics of
// this program.  It is found at run time by file name in the plug-in
// folders and asked, through the function it exports under
// `SvgImporterSymbol`, for its function table of the interface version the
// program knows (null when it has no such version).  The graphics cross the
// module boundary as data, never as objects: a keyed archive of an array of
// graphics, the form the clipboard carries, which the program reads with
// the same checks as any archive from outside.
struct SvgImporterFunctions {
    int version;
    // A new importer; null when none can be made.
    void *(*create)(void);
    // Reads the document; false when it is no SVG the importer can read.
    std::uint8_t (*loadSVG)(void *importer, const unsigned char *bytes, std::size_t length);
    // Hands the graphics read to `write` as one archive, in one or more
    // pieces; nothing at all when there are none.
    void (*graphics)(void *importer, void (*write)(void *context, const unsigned char *bytes, std::size_t length),
                     void *context);
    void (*release)(void *importer);
};
using SvgImporterEntry = const SvgImporterFunctions *(*)(int version);

} // extern "C"

namespace scrivane {
inline constexpr const char *SvgImporterSymbol = "TDDocumentSVG";
inline constexpr int SvgImporterInterfaceVersion = 1;
} // namespace scrivane
