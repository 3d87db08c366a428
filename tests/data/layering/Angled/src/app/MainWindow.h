#pragma once
#include <QWidget>
#include "script/Engine.h"
