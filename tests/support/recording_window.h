// recording_window.h - forwards to the system's variant (support/posix or support/win32, chosen by CMake's include path).
#pragma once

#include <recording_window.h>
