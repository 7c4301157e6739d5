#pragma once

// The handler a row of the command table names. The numbers are fixed: callHandler maps them to
// the application's handlers, and any number outside this range calls nothing.
enum HandlerId : int {
  kHandlerVersion = 0,
  kHandlerUserInfo = 1,
  kHandlerUserWallet = 2,
  kHandlerDeviceList = 3,
  kHandlerDeviceConnect = 4,
  kHandlerDeviceDisconnect = 5,
  kHandlerDeviceStatus = 6,
  kHandlerCloudPcList = 7,
  kHandlerCloudPcLaunch = 8,
  kHandlerCloudPcShutdown = 9,
  kHandlerCloudPcConnect = 10,
  kHandlerCloudPcDisconnect = 11,
  kHandlerEcho = 12,
};
