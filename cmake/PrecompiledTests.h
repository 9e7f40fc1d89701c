// The widgets set plus GoogleTest, for the test programs.
#pragma once
#include "PrecompiledWidgets.h"
#include <gmock/gmock.h>
#include <gtest/gtest.h>
