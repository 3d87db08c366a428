#pragma once
// Stands in for the QML integration header that Qt's text-to-speech header
// includes, on systems whose speech development package leaves it out. The
// shell registers nothing with QML, so the one mark that header gives the
// speech class can be empty: it only guides Qt's code generator.
#ifndef QML_ELEMENT
#define QML_ELEMENT
#endif
