#pragma once

// qpdf's headers, as the PDF importer and its tests include them.  qpdf's
// JSON header does not compile with clang 14 in C++20 (a vector of the
// class inside the class's own definition); nothing here uses qpdf's JSON,
// so that header is held back and the class only declared.
#ifndef JSON_HH
#define JSON_HH
class JSON;
#endif

#include <qpdf/Buffer.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
