#include "engine/remote/page_bridge.h"

#include "base/string_conversions.h"
#include "engine/remote/json_util.h"
#include "engine/shared/extension_script.h"

namespace remote {

namespace {

// The engine's object: values held for native code, and the ways to read,
// call and release them. Values cross as descriptors: primitives by value,
// anything else by a number in the table.
const char kApi[] = R"JS((() => {
  const name = '@API@';
  if (Object.prototype.hasOwnProperty.call(globalThis, name)) return;
  const send = globalThis['@BINDING@'];
  try { delete globalThis['@BINDING@']; } catch (e) {}
  const table = new Map();
  let next = 1;
  const kind = (v) => v === null ? 'null' : Array.isArray(v) ? 'array' : typeof v;
  const describe = (v) => {
    const t = kind(v);
    if (t === 'undefined' || t === 'null') return {t};
    if (t === 'boolean' || t === 'string') return {t, v};
    if (t === 'number') return Number.isFinite(v) ? {t, v} : {t, s: String(v)};
    const h = next++;
    table.set(h, v);
    return {t: t === 'function' || t === 'array' ? t : 'object', h};
  };
  const fits = (args, shape) => args.length >= shape.length && shape.every((k, i) => {
    const t = kind(args[i]);
    return k === 'any' || k === t || (k === 'object' && (t === 'array' || t === 'function'));
  });
  const checks = @CHECKS@;
  // Whether this world's frame is gone (a removed frame's window, a page
  // that closed itself), read through the getter the page started with.
  const closed = (() => {
    for (let o = globalThis; o; o = Object.getPrototypeOf(o)) {
      const d = Object.getOwnPropertyDescriptor(o, 'closed');
      if (d && d.get) return () => d.get.call(globalThis);
    }
    return () => false;
  })();
  const taken = new Map();
  const failure = (check, first) => {
    const text = String(check.failure), at = text.indexOf('%s');
    return new Error(at < 0 ? text : text.slice(0, at) + first + text.slice(at + 2));
  };
  const api = Object.freeze({
    native(extension, fn, self, args) {
      const check = (checks[extension] || {})[fn];
      if (check) {
        if (!check.shapes.some((shape) => fits(args, shape))) throw new Error(check.refusal);
        const first = String(args[0]);
        if (typeof send !== 'function' || closed()) throw failure(check, first);
        if (check.unique) {
          const key = extension + '/' + fn;
          if (!taken.has(key)) taken.set(key, new Set());
          if (taken.get(key).has(first)) throw failure(check, first);
          taken.get(key).add(first);
        }
      }
      send(JSON.stringify({extension, fn, self: describe(self), args: Array.from(args, describe)}));
    },
    run(f) {
      try { return {ok: true, r: describe(f())}; } catch (e) {
        return {ok: false, e: e instanceof Error ? e.name + ': ' + e.message : String(e)};
      }
    },
    describe,
    get: (h) => table.get(h),
    keep: (h, v) => { table.set(h, v); return v; },
    free: (list) => { for (const h of list) table.delete(h); },
  });
  Object.defineProperty(globalThis, name, {value: api});
})();
)JS";

void ReplaceAll(std::string* text, const std::string& from, const std::string& to) {
  for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size())) {
    text->replace(at, from.size(), to);
  }
}

}  // namespace

std::string PageBridge::BindingName(const std::string& token) { return "__engineNative_" + token; }

std::string PageBridge::ApiName(const std::string& token) { return "__engine_" + token; }

std::string PageBridge::Api(const std::string& token) { return "globalThis[\"" + ApiName(token) + "\"]"; }

std::wstring PageBridge::Transform(const std::wstring& code, int extension, const std::string& token,
                                   std::vector<std::wstring>* natives) {
  std::wstring api = qbase::UTF8ToUTF16(Api(token));
  std::wstring result;
  size_t copied = 0;
  for (const engine::NativeDeclaration& declaration : engine::FindNativeDeclarations(code)) {
    const std::wstring& name = declaration.name;
    if (natives) natives->push_back(name);
    result += code.substr(copied, declaration.begin - copied);
    result += L"function " + name + L"(...args) { return " + api + L".native(" + std::to_wstring(extension) +
              L", '" + name + L"', this, args); }";
    copied = declaration.end;
  }
  result += code.substr(copied);
  return result;
}

std::string PageBridge::Checks(CefRefPtr<CefV8Handler> handler, const std::vector<std::wstring>& natives) {
  Json checks = Json::object();
  for (const std::wstring& name : natives) {
    CefV8ArgumentCheck check;
    if (!handler || !handler->GetArgumentCheck(name, check)) continue;
    Json shapes = Json::array();
    for (const auto& shape : check.shapes) {
      Json kinds = Json::array();
      for (CefV8ArgumentCheck::Kind kind : shape) {
        kinds.push_back(kind == CefV8ArgumentCheck::kString     ? "string"
                        : kind == CefV8ArgumentCheck::kFunction ? "function"
                                                                : "any");
      }
      shapes.push_back(kinds);
    }
    checks[qbase::UTF16ToUTF8(name)] = {{"shapes", shapes},
                                        {"refusal", check.refusal.ToString()},
                                        {"failure", check.failure.ToString()},
                                        {"unique", check.unique}};
  }
  return DumpJson(checks);
}

std::string PageBridge::Script(const std::string& token, const std::vector<Extension>& extensions) {
  Json checks = Json::object();
  for (size_t i = 0; i < extensions.size(); ++i) {
    Json declared = ParseJson(extensions[i].checks);
    checks[std::to_string(i)] = declared.is_object() ? declared : Json::object();
  }
  std::string script = kApi;
  ReplaceAll(&script, "@API@", ApiName(token));
  ReplaceAll(&script, "@BINDING@", BindingName(token));
  ReplaceAll(&script, "@CHECKS@", DumpJson(checks));
  for (size_t i = 0; i < extensions.size(); ++i) {
    // Each at the top level, as an extension runs, and each on its own: one
    // that fails leaves the others.
    script += "try {\n" + qbase::UTF16ToUTF8(Transform(extensions[i].code, static_cast<int>(i), token, nullptr)) +
              "\n} catch (e) {}\n";
  }
  return script;
}

}  // namespace remote
