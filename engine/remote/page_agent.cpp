#include "engine/remote/page_agent.h"

namespace remote {

const char PageAgent::kWorldName[] = "engine-agent";
const char PageAgent::kBindingName[] = "__engineAgentReport";

std::string PageAgent::Script() {
  return std::string(R"JS((() => {
  if (window.__engineAgent) return;
  window.__engineAgent = true;
  const report = (kind, value) => {
    try { )JS") + kBindingName + R"JS((JSON.stringify({kind, value})); } catch (e) {}
  };
  const editable = (el) => {
    if (!el || el.nodeType !== 1) return false;
    if (el.isContentEditable) return true;
    const tag = el.tagName;
    if (tag === 'TEXTAREA') return !el.readOnly && !el.disabled;
    if (tag !== 'INPUT') return false;
    const type = (el.type || 'text').toLowerCase();
    const texts = ['text', 'search', 'url', 'tel', 'email', 'password', 'number', ''];
    return texts.includes(type) && !el.readOnly && !el.disabled;
  };
  if (window === window.top) {
    let lastTitle = null;
    const title = () => {
      const value = document.title;
      if (value !== lastTitle) { lastTitle = value; report('title', value); }
    };
    new MutationObserver(title).observe(document, {subtree: true, childList: true, characterData: true});
    document.addEventListener('DOMContentLoaded', title);
    title();
  }
  let lastCursor = '';
  let lastCheck = 0;
  let pending = null;
  const cursorAt = (event) => {
    lastCheck = performance.now();
    const target = event.target;
    if (!target || target.nodeType !== 1) return;
    let cursor = getComputedStyle(target).cursor;
    if (cursor === 'auto') {
      cursor = 'default';
      if (editable(target)) cursor = 'text';
      else if (target.closest('a[href]')) cursor = 'pointer';
      else {
        const range = document.caretRangeFromPoint && document.caretRangeFromPoint(event.clientX, event.clientY);
        const node = range && range.startContainer;
        if (node && node.nodeType === 3 && node.textContent.trim()) {
          const box = document.createRange();
          box.selectNodeContents(node);
          for (const rect of box.getClientRects()) {
            if (event.clientX >= rect.left && event.clientX <= rect.right &&
                event.clientY >= rect.top && event.clientY <= rect.bottom) { cursor = 'text'; break; }
          }
        }
      }
    }
    if (cursor !== lastCursor) { lastCursor = cursor; report('cursor', cursor); }
  };
  // At most one look every 25 ms, and always one at the pointer's last place.
  document.addEventListener('mousemove', (event) => {
    const wait = 25 - (performance.now() - lastCheck);
    if (wait <= 0) { cursorAt(event); return; }
    if (!pending) setTimeout(() => { const latest = pending; pending = null; cursorAt(latest); }, wait);
    pending = event;
  }, true);
  document.addEventListener('focusin', (event) => report('focus', {focused: true, editable: editable(event.target)}), true);
  document.addEventListener('focusout', (event) => {
    if (!event.relatedTarget) report('focus', {focused: false, editable: false});
  }, true);
})();)JS";
}

PageAgent::Report PageAgent::Parse(const std::string& payload) {
  Report report;
  Json message = ParseJson(payload);
  std::string kind = JsonString(message, "kind");
  const Json* value = JsonMember(message, "value");
  if (!value) return report;
  if (kind == "title" && value->is_string()) {
    report.kind = Kind::kTitle;
    report.text = value->get<std::string>();
  } else if (kind == "cursor" && value->is_string()) {
    report.kind = Kind::kCursor;
    report.text = value->get<std::string>();
  } else if (kind == "focus" && value->is_object()) {
    report.kind = Kind::kFocus;
    report.focused = JsonBool(*value, "focused");
    report.editable = JsonBool(*value, "editable");
  }
  return report;
}

}  // namespace remote
