#include "rezizezevud_cmd/json_result.h"

#include <gtest/gtest.h>

#include <QJsonArray>

#include "rezizezevud_cmd/exit_codes.h"

namespace {

struct ResponseCase {
  const char* answer;
  bool ok;
  const char* payloadOrMessage;
  int exitCode;
};

class ParseResponseTest : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(ParseResponseTest, SplitsPayloadOrError) {
  const ResponseCase& c = GetParam();
  QString payload = QStringLiteral("untouched");
  QString message;
  int exitCode = -1;
  const bool ok = parseResponse(QString::fromUtf8(c.answer), payload, message, exitCode);
  EXPECT_EQ(ok, c.ok);
  EXPECT_EQ(exitCode, c.exitCode);
  if (c.ok) {
    EXPECT_EQ(payload.toStdString(), c.payloadOrMessage);
  } else {
    EXPECT_EQ(message.toStdString(), c.payloadOrMessage);
    EXPECT_EQ(payload.toStdString(), "untouched");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ParseResponseTest,
    ::testing::Values(
        ResponseCase{"resp:{\"data\":1}", true, "{\"data\":1}", kSuccess},
        ResponseCase{"resp: \t{\"a\":1}\r\n", true, "{\"a\":1}", kSuccess},
        ResponseCase{"resp:ID 42 \n", true, "ID 42", kSuccess},
        ResponseCase{"resp:error:", false, "Request failed", kDataNotAvailable},
        ResponseCase{"resp:error:   ", false, "Request failed", kDataNotAvailable},
        ResponseCase{"resp:error:  no such device \n", false, "no such device", kDataNotAvailable},
        ResponseCase{"resp:error:{\"data\":1}", false, "{\"data\":1}", kDataNotAvailable},
        ResponseCase{"resp:", false, "Empty response from main application", kDataNotAvailable},
        ResponseCase{"resp: \t\r\n", false, "Empty response from main application",
                     kDataNotAvailable},
        ResponseCase{" resp:{}", false, "Invalid response from main application", kUnknownError},
        ResponseCase{"RESP:{}", false, "Invalid response from main application", kUnknownError},
        ResponseCase{"Resp:error:x", false, "Invalid response from main application",
                     kUnknownError},
        ResponseCase{"", false, "Invalid response from main application", kUnknownError},
        ResponseCase{"resp", false, "Invalid response from main application", kUnknownError}));

TEST(JsonPayloadObject, AcceptsOnlyOneObject) {
  QJsonObject object;
  EXPECT_TRUE(parseJsonPayloadObject(QStringLiteral("{\"a\":[1,2]}"), object));
  EXPECT_EQ(object.value(QLatin1String("a")).toArray().size(), 2);
  for (const char* bad : {"[1,2]", "\"text\"", "42", "true", "null", "{\"a\":1} x", "{\"a\":1}{}",
                          "{\"a\":", "not json"}) {
    EXPECT_FALSE(parseJsonPayloadObject(QString::fromUtf8(bad), object)) << bad;
  }
}

QJsonObject objectOf(const char* json) {
  QJsonObject object;
  EXPECT_TRUE(parseJsonPayloadObject(QString::fromUtf8(json), object)) << json;
  return object;
}

constexpr qint64 kNow = 1712345678901;

TEST(JsonResultEnvelope, SetsSuccessAndTimestampByDataOrError) {
  struct Case {
    const char* payload;
    const char* printed;
  };
  const Case cases[] = {
      // "data" wins over "error"; keys come out sorted whatever order they arrived in.
      {R"({"timestamp":1,"data":{"b":2,"a":[1,"x"]}})",
       "{\n    \"data\": {\n        \"a\": [\n            1,\n            \"x\"\n        ],\n"
       "        \"b\": 2\n    },\n    \"success\": true,\n    \"timestamp\": 1712345678901\n}"},
      {R"({"error":"nope","data":null})",
       "{\n    \"data\": null,\n    \"error\": \"nope\",\n    \"success\": true,\n"
       "    \"timestamp\": 1712345678901\n}"},
      // The tool's own members replace those of the payload.
      {R"({"success":true,"error":{"code":3},"timestamp":"x"})",
       "{\n    \"error\": {\n        \"code\": 3\n    },\n    \"success\": false,\n"
       "    \"timestamp\": 1712345678901\n}"},
      // Neither member: printed exactly as received, its own "success" kept.
      {R"({"success":"maybe","z":1})", "{\n    \"success\": \"maybe\",\n    \"z\": 1\n}"},
      {"{}", "{\n}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatJsonResult(objectOf(c.payload), kNow).toStdString(), c.printed) << c.payload;
  }
}

TEST(JsonResultEnvelope, KeepsNonAsciiText) {
  const QString printed =
      formatJsonResult(objectOf("{\"data\":\"\xe8\xbf\x9c\xe7\xa8\x8b\"}"), kNow);
  EXPECT_TRUE(printed.contains(QString::fromUtf8("\"data\": \"\xe8\xbf\x9c\xe7\xa8\x8b\"")));
}

}  // namespace
