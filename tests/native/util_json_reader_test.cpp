#include <gtest/gtest.h>

#include <string>

#include "util/json_reader.h"

// Each text with the string its first member "a" holds (an empty expectation: the text is refused).
TEST(ParseJson, StringsAndRefusals) {
  struct Case {
    std::string text;
    bool accepted;
    std::string a;
  };
  const Case cases[] = {
      {R"({"a":"x\"\\\/\b\f\n\r\t"})", true, "x\"\\/\b\f\n\r\t"},
      {R"({"a":"\u3042\ud83c\udf3f"})", true, "あ🌿"},
      {R"({"a":"\ud83c.","b":"\udf3f"})", true, "\xEF\xBF\xBD."},  // a lone surrogate becomes U+FFFD
      {R"( { "a" : "あ" , "b" : [ 1 , -2.5e3 , true , null , { } ] } )", true, "あ"},
      {R"({"a":"x"} x)", false, ""},
      {R"({"a":"x",})", false, ""},
      {R"({"a":"tab	in"})", false, ""},
      {R"({"a":"\x"})", false, ""},
      {R"({"a":"\u12"})", false, ""},
      {R"({"a":01})", false, ""},
      {R"({"a":1.})", false, ""},
      {R"({"a":tru})", false, ""},
      {R"({'a':1})", false, ""},
      {std::string(129, '[') + std::string(129, ']'), false, ""},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    JsonValue value;
    EXPECT_EQ(ParseJson(c.text, value), c.accepted) << c.text;
    if (!c.accepted) continue;
    const JsonValue* a = value.Find("a");
    ASSERT_NE(a, nullptr) << c.text;
    EXPECT_EQ(a->text, c.a) << c.text;
  }
}

TEST(ParseJson, KindsNumbersAndDepth) {
  JsonValue value;
  ASSERT_TRUE(ParseJson(R"({"n":-2.5e3,"t":true,"z":null,"l":[1,{}],"n":7})", value));
  EXPECT_EQ(value.Find("n")->number, -2500);  // the first of two equal names
  EXPECT_TRUE(value.Find("t")->boolean);
  EXPECT_EQ(value.Find("z")->kind, JsonValue::Kind::Null);
  EXPECT_EQ(value.Find("l")->items.size(), 2u);
  EXPECT_EQ(value.Find("missing"), nullptr);
  EXPECT_EQ(value.Find("l")->Find("n"), nullptr);  // not an object
  EXPECT_TRUE(ParseJson(std::string(128, '[') + std::string(128, ']'), value));
}
