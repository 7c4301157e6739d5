#include "rezizezevud_cmd/terminal/terminal_messages.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "rezizezevud_cmd/platform/process_info.h"

namespace {

// By number, so that a renumbered id fails as surely as a changed text.
struct ExpectedTexts {
  int id;
  const char* english;
  const char* chinese;
};

const std::string kSeparator = [] {
  std::string line;
  for (int i = 0; i < 50; ++i) line += "\xe2\x94\x80";  // U+2500
  return line;
}();

const ExpectedTexts kExpected[] = {
    {0, "[System] Entering remote terminal", "[系统] 进入远程终端功能"},
    {1, "[Connect] Initializing connection", "[连接] 初始化连接"},
    {2, "[Connect] Establishing server connection", "[连接] 建立服务器连接"},
    {3, "[Connect] Setting up remote session", "[连接] 设置远程会话"},
    {4, "[Connect] Synchronizing connection info", "[连接] 同步连接信息"},
    {5, "[Connect] Optimizing connection path", "[连接] 优化连接路径"},
    {6, "[Connect] Connected", "[连接] 连接成功"},
    {7, "[Tips] Type 'exit' to end the remote session.", "[提示] 输入 'exit' 结束远程会话。"},
    {8, "[Tips] Close the window to detach (session stays alive in background).",
     "[提示] 关闭窗口可断开连接（会话在后台保持活跃）。"},
    {10, "[System] Probing remote session...", "[系统] 正在探测远程会话..."},
    {11, "[System] Found a detached session, resuming... (%1)",
     "[系统] 发现已分离会话，正在恢复... (%1)"},
    {12, "[System] Starting terminal session...", "[系统] 启动终端会话..."},
    {13, "[System] Starting terminal session... (attempt %1/%2)",
     "[系统] 启动终端会话... (尝试 %1/%2)"},
    {14,
     "[System] Controlled device is locked. Enter the account password to verify your identity. "
     "This will not unlock the device.",
     "[系统] 检测到被控端已锁屏，请输入被控端账户密码验证身份，此过程不会解锁被控端。"},
    {15, "[Terminal] Remote device is not logged in. Enter credentials to trigger auto-login.",
     "[终端] 被控端尚未登录，请输入登录密码以触发自动登录"},
    {16, "[Terminal] Auto-login timed out on remote device.", "[终端] 被控端未登录，自动登录超时"},
    {17,
     "[Terminal] Client version too low. The remote endpoint requires a newer client. Please "
     "upgrade.",
     "[终端] 主控端版本过低，被控端不再兼容此协议版本，请升级主控端"},
    {18, "[System] Enter the unlock password for the controlled device: ",
     "[系统] 请输入被控端解锁密码: "},
    {19, "[System] Enter the unlock password for the controlled device (%1/%2): ",
     "[系统] 请输入被控端解锁密码 (%1/%2): "},
    {20, "[System] Unlocking...", "[系统] 正在解锁..."},
    {21, "[System] Unlock failed: incorrect password.", "[系统] 解锁失败：密码错误。"},
    {22, "[System] Error: Unlock failed after maximum attempts.",
     "[系统] 错误：解锁失败，已达到最大尝试次数。"},
    {23, "[System] Controlled Mac not logged in. Cannot start terminal.",
     "[系统] 检测到被控Mac未登录系统账户，无法启动终端。"},
    {24, "[System] Please log in on the controlled device and retry",
     "[系统] 请在被控设备上登录后重试"},
    {25, "[System] Remote terminal is not supported on the controlled device's operating system.",
     "[系统] 被控设备操作系统不支持远程终端功能。"},
    {26, "[System] The connection to the remote device has been disconnected. Please retry.",
     "[系统] 与远端设备的连接已断开，请重试。"},
};

TEST(TerminalMessages, EveryTextIsExactInBothLanguages) {
  ASSERT_EQ(std::size(kExpected) + 1, static_cast<std::size_t>(kMessageCount));
  for (const ExpectedTexts& expected : kExpected) {
    EXPECT_STREQ(messageText(static_cast<MessageId>(expected.id), false), expected.english)
        << "id " << expected.id;
    EXPECT_STREQ(messageText(static_cast<MessageId>(expected.id), true), expected.chinese)
        << "id " << expected.id;
  }
}

TEST(TerminalMessages, SeparatorIsFiftyBoxLinesInBothLanguages) {
  EXPECT_EQ(kSeparator.size(), 150u);
  EXPECT_EQ(messageText(static_cast<MessageId>(9), false), kSeparator);
  EXPECT_EQ(messageText(static_cast<MessageId>(9), true), kSeparator);
}

TEST(TerminalMessages, IdsOutsideTheTableGiveTheEmptyText) {
  for (int id : {27, -1, 1000}) {
    EXPECT_STREQ(messageText(static_cast<MessageId>(id), false), "") << id;
    EXPECT_STREQ(messageText(static_cast<MessageId>(id), true), "") << id;
    EXPECT_STREQ(localizedMessage(static_cast<MessageId>(id)), "") << id;
  }
}

TEST(TerminalMessages, LookupFollowsTheUserLanguage) {
  const bool chinese = isChineseLocale(platform::userInterfaceLanguage());
  EXPECT_EQ(useChineseMessages(), chinese);
  EXPECT_STREQ(localizedMessage(kMsgConnected), messageText(kMsgConnected, chinese));
}

TEST(TerminalMessages, EveryChineseLocaleAndNoOtherGivesChinese) {
  const struct {
    const char* locale;
    bool chinese;
  } cases[] = {
      {"zh_CN.UTF-8", true}, {"zh_TW", true},        {"zh_HK.Big5", true}, {"zh_SG", true},
      {"zh", true},          {"en_US.UTF-8", false}, {"ja_JP", false},     {"C.UTF-8", false},
      {"C", false},          {"POSIX", false},       {"", false},          {"en_ZH", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isChineseLocale(c.locale), c.chinese) << c.locale;
}

}  // namespace
