#include "browser/cef_js_handler.h"

#include "browser/cef_js_bridge.h"

namespace qiv_comp {

const char CefJSHandler::kExtensionName[] = "v8/extern";

// 581 bytes: tab-indented lines joined by line feeds, none after the last.
const char CefJSHandler::kExtensionCode[] =
    "\n"
    "\t\tvar QivCefWebInstance = {};\n"
    "\t\t(() => {\n"
    "\t\t\tQivCefWebInstance.call = (functionName, arg1, arg2) => {\n"
    "\t\t\t\tif (typeof arg1 === 'function') {\n"
    "\t\t\t\t\tnative function call(functionName, arg1);\n"
    "\t\t\t\t\treturn call(functionName, arg1);\n"
    "\t\t\t\t} else {\n"
    "\t\t\t\t\tconst jsonString = JSON.stringify(arg1);\n"
    "\t\t\t\t\tnative function call(functionName, jsonString, arg2);\n"
    "\t\t\t\t\treturn call(functionName, jsonString, arg2);\n"
    "\t\t\t\t}\n"
    "\t\t\t};\n"
    "\t\t\tQivCefWebInstance.register = (functionName, callback) => {\n"
    "\t\t\t\tnative function register(functionName, callback);\n"
    "\t\t\t\treturn register(functionName, callback);\n"
    "\t\t\t};\n"
    "\t\t})();\n"
    "\t";

namespace {

constexpr char kInvalidArguments[] = "Invalid arguments.";

}  // namespace

bool CefJSHandler::GetArgumentCheck(const CefString& name, CefV8ArgumentCheck& check) {
  using Kind = CefV8ArgumentCheck::Kind;
  if (name == "call") {
    // A name and a callback, or a name, the value's JSON text and a callback.
    check.shapes = {{Kind::kString, Kind::kFunction}, {Kind::kString, Kind::kString, Kind::kFunction}};
    check.refusal = kInvalidArguments;
    check.failure = "Failed to call function %s.";
    check.unique = false;
    return true;
  }
  if (name == "register") {
    check.shapes = {{Kind::kString, Kind::kFunction}};
    check.refusal = kInvalidArguments;
    check.failure = "Failed to register function.";
    // One function of a name per frame.
    check.unique = true;
    return true;
  }
  return false;
}

bool CefJSHandler::Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
                           CefRefPtr<CefV8Value>& retval, CefString& exception) {
  // The same check the page makes where the engine checks calls there.
  CefV8ArgumentCheck check;
  if (!GetArgumentCheck(name, check)) {
    if (arguments.size() < 2) exception = kInvalidArguments;
    return false;
  }
  const int shape = check.Match(arguments);
  if (shape < 0) {
    exception = check.refusal;
    return false;
  }
  if (!js_bridge_) return false;
  const CefString first = arguments[0]->GetStringValue();
  if (name == "call") {
    const bool with_value = shape == 1;
    const CefString params = with_value ? arguments[1]->GetStringValue() : CefString("{}");
    if (!js_bridge_->CallNative(first, params, arguments[with_value ? 2 : 1])) {
      exception = check.FailureFor(first);
      return false;
    }
    return true;
  }
  if (!js_bridge_->RegisterJsFunction(first, arguments[1], false)) {
    exception = check.FailureFor(first);
    return false;
  }
  return true;
}

}  // namespace qiv_comp
