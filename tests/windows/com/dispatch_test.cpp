// VARIANTs converted as the run-time's CStr, CLng and CBool convert them, and failed calls
// reported with the run-time's numbers, words and sources.
#include "com/dispatch.h"

#include <gtest/gtest.h>

#include <string>

namespace bellnest::com {
namespace {

// A result as text: the value, or "#<error number>".
template <class T>
std::string Show(const Result<T>& r) {
  if (!r) return "#" + std::to_string(r.Error().Number);
  if constexpr (std::is_same_v<T, bool>)
    return r.Value() ? "True" : "False";
  else if constexpr (std::is_same_v<T, std::string>)
    return r.Value();
  else
    return std::to_string(r.Value());
}

VariantValue Of(VARTYPE type, auto set) {
  VariantValue v;
  VARIANT* raw = v.Put();
  V_VT(raw) = type;
  set(raw);
  return v;
}

struct Conversion {
  const char* What;
  VariantValue Value;
  const char* Text;
  const char* Long;
  const char* Boolean;
};

TEST(VariantConversions, AreTheRunTimesCStrCLngAndCBool) {
  LONG target = 41;
  const Conversion table[] = {
      {"Empty", VariantValue(), "", "0", "False"},
      {"Null", Of(VT_NULL, [](VARIANT*) {}), "#94", "#94", "#94"},
      {"True", VariantValue::Boolean(true), "True", "-1", "True"},
      {"Integer", Of(VT_I2, [](VARIANT* v) { V_I2(v) = -5; }), "-5", "-5", "True"},
      {"Byte", Of(VT_UI1, [](VARIANT* v) { V_UI1(v) = 200; }), "200", "200", "True"},
      {"Huge whole", Of(VT_I8, [](VARIANT* v) { V_I8(v) = 5000000000LL; }), "5000000000", "#6", "True"},
      {"Half rounds to even (down)", Of(VT_R8, [](VARIANT* v) { V_R8(v) = 2.5; }), "2.5", "2", "True"},
      {"Half rounds to even (up)", Of(VT_R8, [](VARIANT* v) { V_R8(v) = 3.5; }), "3.5", "4", "True"},
      {"Zero double", Of(VT_R8, [](VARIANT* v) { V_R8(v) = 0; }), "0", "0", "False"},
      {"Large double", Of(VT_R8, [](VARIANT* v) { V_R8(v) = 1e10; }), "10000000000", "#6", "True"},
      {"Numeric text", VariantValue::Text(" 12 "), " 12 ", "12", "True"},
      {"Boolean text", VariantValue::Text("false"), "false", "#13", "False"},
      {"Other text", VariantValue::Text("abc"), "abc", "#13", "#13"},
      {"By reference", Of(VT_I4 | VT_BYREF, [&](VARIANT* v) { V_I4REF(v) = &target; }), "41", "41", "True"},
      {"Nothing", VariantValue::Object(nullptr), "#13", "#13", "#13"},
      {"Array", Of(VT_ARRAY | VT_I4, [](VARIANT* v) { V_ARRAY(v) = ::SafeArrayCreateVector(VT_I4, 0, 2); }), "#13",
       "#13", "#13"},
  };
  for (const Conversion& c : table) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(Show(VariantText(c.Value.Get())), c.Text);
    EXPECT_EQ(Show(VariantLong(c.Value.Get())), c.Long);
    EXPECT_EQ(Show(VariantBoolean(c.Value.Get())), c.Boolean);
  }
}

EXCEPINFO Exception(WORD code, HRESULT scode, const char* description, const char* source) {
  EXCEPINFO e{};
  e.wCode = code;
  e.scode = scode;
  e.bstrDescription = description != nullptr ? Bstr(description).Detach() : nullptr;
  e.bstrSource = source != nullptr ? Bstr(source).Detach() : nullptr;
  return e;
}

TEST(CallErrors, AreReportedAsTheRunTimeReportsThem) {
  struct Case {
    const char* What;
    ErrorInfo Got;
    ErrorInfo Expected;
  };
  EXCEPINFO byCode = Exception(1004, 0, "Custom failure", "Some.Object");
  EXCEPINFO runTime = Exception(0, static_cast<HRESULT>(0x800A01AD), nullptr, nullptr);
  EXCEPINFO host = Exception(0, static_cast<HRESULT>(0x8004010F), "Not found.", "QFSMAPI.RDOFolder");
  const Case cases[] = {
      {"number in wCode", ErrorFromException(byCode), {1004, "Custom failure", "Some.Object"}},
      {"run-time number in FACILITY_CONTROL",
       ErrorFromException(runTime),
       {429, "ActiveX component can't create object", "PPBellnest"}},
      {"HRESULT kept signed", ErrorFromException(host), {-2147221233, "Not found.", "QFSMAPI.RDOFolder"}},
      {"unknown member",
       ErrorFromHresult(DISP_E_UNKNOWNNAME),
       {438, "Object doesn't support this property or method", "PPBellnest"}},
      {"wrong argument type", ErrorFromHresult(DISP_E_TYPEMISMATCH), {13, "Type mismatch", "PPBellnest"}},
      {"argument missing", ErrorFromHresult(DISP_E_PARAMNOTOPTIONAL), {449, "Argument not optional", "PPBellnest"}},
      {"argument count", ErrorFromHresult(DISP_E_BADPARAMCOUNT),
       {450, "Wrong number of arguments or invalid property assignment", "PPBellnest"}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.Got, c.Expected) << c.What;
  const ErrorInfo failed = ErrorFromHresult(E_FAIL);
  EXPECT_EQ(failed.Number, -2147467259);
  EXPECT_FALSE(failed.Description.empty());
  EXPECT_EQ(failed.Source, "PPBellnest");
}

}  // namespace
}  // namespace bellnest::com
