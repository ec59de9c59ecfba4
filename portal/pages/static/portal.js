// Shared by the portal's pages: the address's query values and reports to
// the demo server, which the tests read back.
(function () {
  "use strict";
  var portal = {};

  // The query values of an address; the game's "|" fields are not part of them.
  portal.query = function (search) {
    var values = {};
    var text = (search || location.search).replace(/^\?/, "").split("|")[0];
    text.split("&").forEach(function (pair) {
      if (!pair) return;
      var at = pair.indexOf("=");
      var name = at < 0 ? pair : pair.slice(0, at);
      var value = at < 0 ? "" : pair.slice(at + 1);
      try {
        values[decodeURIComponent(name)] = decodeURIComponent(value.replace(/\+/g, " "));
      } catch (e) {
        values[name] = value;
      }
    });
    return values;
  };

  portal.report = function (event) {
    event.page = document.body.getAttribute("data-page");
    event.time = Date.now();
    try {
      fetch("/__portal/report", {
        method: "POST",
        headers: { "Content-Type": "application/json" },
        body: JSON.stringify(event),
        keepalive: true
      }).catch(function () {});
    } catch (e) {}
  };

  // Where an element is in the page, for a click from outside.
  portal.box = function (element) {
    var r = element.getBoundingClientRect();
    return { x: Math.round(r.left + r.width / 2), y: Math.round(r.top + r.height / 2),
             width: Math.round(r.width), height: Math.round(r.height) };
  };

  // The client's bridge, when the page runs inside the client.
  portal.bridge = function () {
    return typeof QivCefWebInstance === "object" && QivCefWebInstance ? QivCefWebInstance : null;
  };

  window.Portal = portal;
})();
