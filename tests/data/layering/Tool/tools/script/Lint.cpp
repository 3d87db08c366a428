// A tool that needs the Qt shell would not build without Qt.
#include "script/Engine.h"
#include "app/MainWindow.h"
