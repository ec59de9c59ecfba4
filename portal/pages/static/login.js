// The login page: shows who the client says the player is, greets the
// client through its bridge and leads on to the game.
(function () {
  "use strict";
  var values = Portal.query();
  // The game's title travels after "|", percent-encoded in the players'
  // code page (GBK): "塔恩维尔" and "雾港1区".
  var GAME_TITLE_FIELDS = "|%CB%FE%B6%F7%CE%AC%B6%FB|%CE%ED%B8%DB1%C7%F8";

  function show(id, value) {
    var element = document.getElementById(id);
    element.textContent = value || "（空）empty";
    element.className = value ? "" : "empty";
    return element.textContent;
  }
  var uid = show("uid", values.uid);
  var suid = show("suid", values.suid);

  var enter = document.getElementById("enter");
  enter.href = "http://trnw.plaxon.com/wd/?m=game&server=1&uid=" + encodeURIComponent(values.uid || "") +
               "&suid=" + encodeURIComponent(values.suid || "") + GAME_TITLE_FIELDS;

  var hello = document.getElementById("hello");
  var answer = document.getElementById("answer");
  hello.addEventListener("click", function () {
    var bridge = Portal.bridge();
    if (!bridge) {
      answer.textContent = "不在客户端中 · not inside the client";
      answer.className = "answer error";
      Portal.report({ event: "answer", has_error: true, message: "no bridge" });
      return;
    }
    var text = "你好，" + (values.uid || "勇者") + "！Welcome to Tarnwell.";
    try {
      bridge.call("ShowMessageBox", text, function (hasError, result) {
        var message = result && result.message;
        answer.textContent = (hasError ? "出错 · " : "客户端回复 · ") + message;
        answer.className = "answer " + (hasError ? "error" : "ok");
        Portal.report({ event: "answer", has_error: hasError, message: message });
      });
    } catch (e) {
      answer.textContent = "调用失败 · " + e.message;
      answer.className = "answer error";
      Portal.report({ event: "answer", has_error: true, message: String(e.message) });
    }
  });

  // Where the controls are, again after every resize: the client sizes the
  // page to its window after the first layout.
  function reportLayout() {
    Portal.report({ event: "layout", hello: Portal.box(hello), enter: Portal.box(enter),
                    width: innerWidth, height: innerHeight });
  }
  var resizing = 0;
  addEventListener("resize", function () {
    clearTimeout(resizing);
    resizing = setTimeout(reportLayout, 100);
  });
  function reportShown() {
    Portal.report({ event: "shown", uid: uid, suid: suid, bridge: !!Portal.bridge(), href: enter.href });
    reportLayout();
  }
  if (document.readyState === "complete") reportShown();
  else addEventListener("load", reportShown);
})();
