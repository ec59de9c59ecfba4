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

bool IsString(const CefV8ValueList& arguments, size_t index) {
  return arguments.size() > index && arguments[index] && arguments[index]->IsString();
}

bool IsFunction(const CefV8ValueList& arguments, size_t index) {
  return arguments.size() > index && arguments[index] && arguments[index]->IsFunction();
}

}  // namespace

bool CefJSHandler::Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
                           CefRefPtr<CefV8Value>& retval, CefString& exception) {
  if (arguments.size() < 2) {
    exception = kInvalidArguments;
    return false;
  }
  if (!js_bridge_) return false;
  if (name == "call") {
    CefString params;
    CefRefPtr<CefV8Value> callback;
    if (IsString(arguments, 0) && IsFunction(arguments, 1)) {
      params = "{}";
      callback = arguments[1];
    } else if (arguments.size() >= 3 && IsString(arguments, 0) && IsString(arguments, 1) && IsFunction(arguments, 2)) {
      params = arguments[1]->GetStringValue();
      callback = arguments[2];
    } else {
      exception = kInvalidArguments;
      return false;
    }
    const CefString function_name = arguments[0]->GetStringValue();
    if (!js_bridge_->CallNative(function_name, params, callback)) {
      exception = "Failed to call function " + function_name.ToString() + ".";
      return false;
    }
    return true;
  }
  if (name == "register") {
    if (!IsString(arguments, 0) || !IsFunction(arguments, 1)) {
      exception = kInvalidArguments;
      return false;
    }
    if (!js_bridge_->RegisterJsFunction(arguments[0]->GetStringValue(), arguments[1], false)) {
      exception = "Failed to register function.";
      return false;
    }
    return true;
  }
  return false;
}

}  // namespace qiv_comp
