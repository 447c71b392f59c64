#include "ui/PdfStyle.h"

#include <QString>
#include <QStringList>

const char* pdfStyleSheet() {
    return "body{font-size:10.5pt;margin:24px auto;max-width:70em;padding:0 16px}"
           "h1{font-size:18pt;margin:0 0 4px}"
           "h2{font-size:13.5pt;margin-top:28px}"
           "h3{font-size:11pt;margin:14px 0 4px}"
           "table{margin:4px 0 8px}"
           "th,td{padding:3px 6px;text-align:left;vertical-align:top;background-color:#ffffff}"
           "th{background-color:#eeeeee}"
           "span.mono{font-family:'DejaVu Sans Mono',monospace;font-size:9.5pt}"
           "span.nowrap,td.nowrap{white-space:nowrap}"
           "span.ok{color:#1b5e20;font-weight:bold}"
           "span.sealed{color:#2f5a99;font-weight:bold}"
           "span.failed{color:#b71c1c;font-weight:bold}"
           "span.unverified{color:#b71c1c;font-style:italic}"
           "span.note,p.note,ul.note{color:#555555;font-size:9pt}"
           "span.caveat,p.caveat{color:#6d4c00;font-size:9pt}";
}

QFont pdfBodyFont() {
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Arial"),
                      QStringLiteral("sans-serif")});
    return font;
}

QColor pdfTextColour() {
    return QColor(0x21, 0x21, 0x21);
}
