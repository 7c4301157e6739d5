#include "rezizezevud_cmd/device_list.h"

#include <gtest/gtest.h>

#include "rezizezevud_cmd/exit_codes.h"

namespace {

QStringList linesFor(const char* payload) {
  QJsonArray devices;
  QString message;
  EXPECT_EQ(parseDeviceListPayload(QString::fromUtf8(payload), devices, message), kSuccess)
      << message.toStdString();
  return deviceTableLines(devices);
}

TEST(DeviceTable, OneLinePerObjectInOrder) {
  const QStringList lines = linesFor(R"({"total":2,"devices":[)"
                                     R"({"name":"Office PC","device_id":"123 456","online":true},)"
                                     R"("stray",)"
                                     R"({"online":false,"device_id":"9","name":"tab\there"},)"
                                     R"({"name":7,"device_id":null,"online":"yes"},)"
                                     R"(42,)"
                                     R"({}]})");
  const QStringList expected{QStringLiteral("NAME\tDEVICE_ID\tONLINE"),
                             QStringLiteral("Office PC\t123 456\ttrue"),
                             QStringLiteral("tab\there\t9\tfalse"), QStringLiteral("\t\tfalse"),
                             QStringLiteral("\t\tfalse")};
  EXPECT_EQ(lines, expected);
}

TEST(DeviceTable, EmptyListIsHeaderOnly) {
  EXPECT_EQ(linesFor(R"({"devices":[]})"), QStringList{QStringLiteral("NAME\tDEVICE_ID\tONLINE")});
}

TEST(DeviceListPayload, RejectsOtherShapes) {
  struct Case {
    const char* payload;
    const char* message;
  };
  const Case cases[] = {
      {R"([{"name":"a"}])", "Invalid device list payload"},
      {"not json", "Invalid device list payload"},
      {R"({"devices":[]} trailing)", "Invalid device list payload"},
      {R"({"devices":{"name":"a"}})", "Invalid device list format"},
      {R"({"devices":"[]"})", "Invalid device list format"},
      {R"({"device":[]})", "Invalid device list format"},
  };
  for (const Case& c : cases) {
    QJsonArray devices;
    QString message;
    EXPECT_EQ(parseDeviceListPayload(QString::fromUtf8(c.payload), devices, message), kUnknownError)
        << c.payload;
    EXPECT_EQ(message.toStdString(), c.message) << c.payload;
  }
}

}  // namespace
