#include "rezizezevud_cmd/terminal/terminal_messages.h"

#include "rezizezevud_cmd/platform/process_info.h"

namespace {

// 50 x U+2500 BOX DRAWINGS LIGHT HORIZONTAL, the same in both languages.
constexpr char kSeparator[] = "──────────────────────────────────────────────────";

struct MessageTexts {
  const char* chinese;
  const char* english;
};

// Indexed by MessageId.
constexpr MessageTexts kMessages[kMessageCount] = {
    {"[系统] 进入远程终端功能", "[System] Entering remote terminal"},
    {"[连接] 初始化连接", "[Connect] Initializing connection"},
    {"[连接] 建立服务器连接", "[Connect] Establishing server connection"},
    {"[连接] 设置远程会话", "[Connect] Setting up remote session"},
    {"[连接] 同步连接信息", "[Connect] Synchronizing connection info"},
    {"[连接] 优化连接路径", "[Connect] Optimizing connection path"},
    {"[连接] 连接成功", "[Connect] Connected"},
    {"[提示] 输入 'exit' 结束远程会话。", "[Tips] Type 'exit' to end the remote session."},
    {"[提示] 关闭窗口可断开连接（会话在后台保持活跃）。",
     "[Tips] Close the window to detach (session stays alive in background)."},
    {kSeparator, kSeparator},
    {"[系统] 正在探测远程会话...", "[System] Probing remote session..."},
    {"[系统] 发现已分离会话，正在恢复... (%1)",
     "[System] Found a detached session, resuming... (%1)"},
    {"[系统] 启动终端会话...", "[System] Starting terminal session..."},
    {"[系统] 启动终端会话... (尝试 %1/%2)",
     "[System] Starting terminal session... (attempt %1/%2)"},
    {"[系统] 检测到被控端已锁屏，请输入被控端账户密码验证身份，此过程不会解锁被控端。",
     "[System] Controlled device is locked. Enter the account password to verify your identity. "
     "This will not unlock the device."},
    {"[终端] 被控端尚未登录，请输入登录密码以触发自动登录",
     "[Terminal] Remote device is not logged in. Enter credentials to trigger auto-login."},
    {"[终端] 被控端未登录，自动登录超时", "[Terminal] Auto-login timed out on remote device."},
    {"[终端] 主控端版本过低，被控端不再兼容此协议版本，请升级主控端",
     "[Terminal] Client version too low. The remote endpoint requires a newer client. Please "
     "upgrade."},
    {"[系统] 请输入被控端解锁密码: ",
     "[System] Enter the unlock password for the controlled device: "},
    {"[系统] 请输入被控端解锁密码 (%1/%2): ",
     "[System] Enter the unlock password for the controlled device (%1/%2): "},
    {"[系统] 正在解锁...", "[System] Unlocking..."},
    {"[系统] 解锁失败：密码错误。", "[System] Unlock failed: incorrect password."},
    {"[系统] 错误：解锁失败，已达到最大尝试次数。",
     "[System] Error: Unlock failed after maximum attempts."},
    {"[系统] 检测到被控Mac未登录系统账户，无法启动终端。",
     "[System] Controlled Mac not logged in. Cannot start terminal."},
    {"[系统] 请在被控设备上登录后重试",
     "[System] Please log in on the controlled device and retry"},
    {"[系统] 被控设备操作系统不支持远程终端功能。",
     "[System] Remote terminal is not supported on the controlled device's operating system."},
    {"[系统] 与远端设备的连接已断开，请重试。",
     "[System] The connection to the remote device has been disconnected. Please retry."},
};

}  // namespace

bool isChineseLocale(const std::string& localeName) { return localeName.rfind("zh", 0) == 0; }

bool useChineseMessages() {
  // A function-local static: computed by the first caller, the others wait for it.
  static const bool chinese = isChineseLocale(platform::userInterfaceLanguage());
  return chinese;
}

const char* messageText(MessageId id, bool chinese) {
  // Compared as unsigned so that negative ids fall outside the table as well.
  if (static_cast<unsigned>(id) >= static_cast<unsigned>(kMessageCount)) return "";
  const MessageTexts& texts = kMessages[static_cast<int>(id)];
  return chinese ? texts.chinese : texts.english;
}

const char* localizedMessage(MessageId id) { return messageText(id, useChineseMessages()); }
