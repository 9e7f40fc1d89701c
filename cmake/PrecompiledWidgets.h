// The core set plus the Qt Widgets headers the views and tests include.
#pragma once
#include "PrecompiledCore.h"
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QWidget>
