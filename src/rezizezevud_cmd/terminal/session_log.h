#pragma once

#include "logutil/log_util.h"

// The phases of an interactive session live in several files, but their log lines belong to the
// one operation the user started and are read as such: they all name the session's entry point.
#define SESSION_LOG(level) \
  LogStatement((level), __FILE__, "handleTermAttachSession", __LINE__, "Global", 0)
