#pragma once

// One-page PDFs written with qpdf from a content stream and the resources a
// caller adds, and pictures drawn by cairo: the fixtures of the importer's
// tests and of the Import command's, the pages the fuzz target wraps around
// arbitrary content, and the pages the importer is measured on.  Nothing
// here depends on a test framework.

#include "document/TDQpdf.h"

#include <QByteArray>

#include <functional>
#include <string>

typedef struct _cairo cairo_t;

namespace scrivane::pdftest {

// Adds resources to a page's resource dictionary.
using ResourceBuilder = std::function<void(QPDF &pdf, QPDFObjectHandle resources)>;

// A one-page PDF drawing `content`.
QByteArray onePage(const std::string &content, const ResourceBuilder &resources = {},
                   const std::string &mediaBox = "[0 0 200 200]", int rotate = 0);
// A stream object with the dictionary (PDF syntax) and data.
QPDFObjectHandle stream(QPDF &pdf, const std::string &dictionary, const std::string &data);
// Sets resources[category][name] = value.
void addResource(QPDFObjectHandle resources, const std::string &category, const std::string &name,
                 QPDFObjectHandle value);

// A PDF of `width` × `height` points drawn by `draw` with cairo.
QByteArray cairoPdf(double width, double height, const std::function<void(cairo_t *)> &draw);
// An EPS picture drawn by `draw` with cairo.
QByteArray cairoEps(double width, double height, const std::function<void(cairo_t *)> &draw);

} // namespace scrivane::pdftest
