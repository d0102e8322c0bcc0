#pragma once

// PDF fixtures for the importer tests, made by the tests themselves: pages
// written from content streams with qpdf (resources added by the test), and
// drawings written by cairo; pdftoppm renders pages for comparison.

#include "model/TDModelTypes.h"
#include "platform/Geometry.h"

#include "document/TDQpdf.h"

#include <QByteArray>
#include <QImage>
#include <QString>

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

// The graphics of the first page, the page shown at its own size with its
// top left corner at the document's origin.  Fails the test when the
// import fails.
TDGraphicArray import(const QByteArray &pdf, QString *error = nullptr, QStringList *notes = nullptr);

// The graphics of a 200 × 200 page drawing `content`: document y is
// 200 − page y.
TDGraphicArray importContent(const std::string &content, const ResourceBuilder &resources = {},
                             QStringList *notes = nullptr);

// A PDF of `width` × `height` points drawn by `draw` with cairo.
QByteArray cairoPdf(double width, double height, const std::function<void(cairo_t *)> &draw);
// An EPS picture drawn by `draw` with cairo.
QByteArray cairoEps(double width, double height, const std::function<void(cairo_t *)> &draw);

// The first page rendered by pdftoppm at 72 pixels per inch, on white;
// null when pdftoppm is missing.
QImage pdftoppm(const QByteArray &pdf);
// The graphics rendered on white over the rectangle, one pixel per point.
QImage render(const TDGraphicArray &graphics, const Rect &area);
// The share of pixels whose channels differ by more than `tolerance`.
double differingShare(const QImage &a, const QImage &b, int tolerance);

// The characters of an archived text fill ("FillTextKey").
QString archivedText(const QByteArray &archive);

} // namespace scrivane::pdftest
