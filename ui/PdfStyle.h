#pragma once

#include <QColor>
#include <QFont>

// The report's look (htmlReportStyle) for the PDF's rich-text layout, at a
// fraction of its cost. Qt matches a rule whose selector is a class alone
// against every element, and applies the body's font family and colour to
// every format, which every later copy and comparison of a format then
// carries: about a fifth of the import's time.

// The rules the report's parts use that Qt honours, each class under the
// elements that carry it; without the body's font family and colour (see
// below). The tables' grid: the gaps between white cells on a grey table.
const char* pdfStyleSheet();
// The body's font family, as the document's default font.
QFont pdfBodyFont();
// The body's text colour, as the painter's palette gives it to text
// without a colour of its own.
QColor pdfTextColour();
