#include "terminal_frame_names.h"

#include "rezizezevud_cmd/terminal/terminal_frame.h"

QString frameTypeName(std::uint8_t type) {
  switch (type) {
    case kOpenReq:
      return QStringLiteral("kOpenReq");
    case kStdin:
      return QStringLiteral("kStdin");
    case kResize:
      return QStringLiteral("kResize");
    case kOutput:
      return QStringLiteral("kOutput");
    case kExit:
      return QStringLiteral("kExit");
    case kSignal:
      return QStringLiteral("kSignal");
    case kError:
      return QStringLiteral("kError");
    case kListSessionsReq:
      return QStringLiteral("kListSessionsReq");
    case kListSessionsResp:
      return QStringLiteral("kListSessionsResp");
    case kKillSessionReq:
      return QStringLiteral("kKillSessionReq");
    case kKillSessionResp:
      return QStringLiteral("kKillSessionResp");
    case kOpenResp:
      return QStringLiteral("kOpenResp");
    case kUnlockReq:
      return QStringLiteral("kUnlockReq");
    case kUnlockResp:
      return QStringLiteral("kUnlockResp");
  }
  return QStringLiteral("type %1").arg(type);
}
