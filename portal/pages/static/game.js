// The game page: a harbour at night, drawn on a canvas every frame, and a
// page function the client may call.
(function () {
  "use strict";
  var values = Portal.query();
  var canvas = document.getElementById("scene");
  var context = canvas.getContext("2d");
  var frames = 0;
  var started = performance.now();

  // The "|" fields name the realm, in GBK as the portal sends them.
  var fields = location.href.split("|").slice(1);
  if (fields.length >= 2 && typeof TextDecoder === "function") {
    try {
      var decode = function (field) {
        var bytes = [];
        field.replace(/%([0-9A-Fa-f]{2})|([\s\S])/g, function (all, hex, plain) {
          bytes.push(hex ? parseInt(hex, 16) : plain.charCodeAt(0) & 0xFF);
        });
        return new TextDecoder("gbk").decode(new Uint8Array(bytes));
      };
      document.getElementById("realm").textContent = decode(fields[0]) + " · " + decode(fields[1]);
    } catch (e) {}
  }
  document.getElementById("player").textContent = values.uid || "游客 guest";

  var stars = [];
  for (var i = 0; i < 160; i++) {
    stars.push({ x: Math.random(), y: Math.random() * 0.55, r: Math.random() * 1.4 + 0.3, p: Math.random() * 6.28 });
  }
  var lanterns = [];
  for (var j = 0; j < 14; j++) lanterns.push({ x: Math.random(), y: 0.5 + Math.random() * 0.4, s: 0.2 + Math.random() * 0.5 });

  function resize() {
    canvas.width = innerWidth;
    canvas.height = innerHeight;
  }
  addEventListener("resize", resize);
  resize();

  function draw(now) {
    var t = (now - started) / 1000;
    var w = canvas.width, h = canvas.height;
    var sky = context.createLinearGradient(0, 0, 0, h);
    sky.addColorStop(0, "#0d0b1a");
    sky.addColorStop(0.55, "#2b2350");
    sky.addColorStop(1, "#4a2f4f");
    context.fillStyle = sky;
    context.fillRect(0, 0, w, h);

    stars.forEach(function (s) {
      context.globalAlpha = 0.45 + 0.55 * Math.abs(Math.sin(t * 1.3 + s.p));
      context.fillStyle = "#fff6e0";
      context.beginPath();
      context.arc(s.x * w, s.y * h, s.r, 0, 6.283);
      context.fill();
    });
    context.globalAlpha = 1;

    // The moon, and its light on the sea.
    var mx = w * 0.78, my = h * 0.22;
    var glow = context.createRadialGradient(mx, my, 10, mx, my, h * 0.3);
    glow.addColorStop(0, "rgba(246, 213, 142, .55)");
    glow.addColorStop(1, "rgba(246, 213, 142, 0)");
    context.fillStyle = glow;
    context.fillRect(0, 0, w, h);
    context.fillStyle = "#fbe8c0";
    context.beginPath();
    context.arc(mx, my, Math.max(18, h * 0.05), 0, 6.283);
    context.fill();

    // Far hills and the harbour's lighthouse.
    context.fillStyle = "#1a1533";
    context.beginPath();
    context.moveTo(0, h * 0.62);
    for (var x = 0; x <= w; x += 20) context.lineTo(x, h * 0.6 - Math.sin(x / 140) * h * 0.04 - Math.sin(x / 47) * 6);
    context.lineTo(w, h);
    context.lineTo(0, h);
    context.fill();
    var lx = w * 0.2, ly = h * 0.62;
    context.fillStyle = "#2d2546";
    context.fillRect(lx - 9, ly - h * 0.2, 18, h * 0.2);
    var beam = Math.sin(t * 0.8);
    context.fillStyle = "rgba(246, 213, 142, .18)";
    context.beginPath();
    context.moveTo(lx, ly - h * 0.2);
    context.lineTo(lx + beam * w * 0.5, ly - h * 0.3);
    context.lineTo(lx + beam * w * 0.5, ly - h * 0.14);
    context.fill();
    context.fillStyle = "#f6d58e";
    context.fillRect(lx - 6, ly - h * 0.22, 12, 10);

    // The sea, in moving bands.
    for (var band = 0; band < 9; band++) {
      var y = h * (0.66 + band * 0.04);
      context.strokeStyle = "rgba(185, 174, 214, " + (0.08 + band * 0.02) + ")";
      context.lineWidth = 2;
      context.beginPath();
      for (var sx = 0; sx <= w; sx += 12) {
        var wave = Math.sin(sx / (60 + band * 8) + t * (1 + band * 0.15)) * (3 + band);
        if (sx === 0) context.moveTo(sx, y + wave); else context.lineTo(sx, y + wave);
      }
      context.stroke();
    }

    // Lanterns drifting up from the water.
    lanterns.forEach(function (l) {
      var ly2 = ((l.y - t * l.s * 0.05) % 1 + 1) % 1;
      var lx2 = l.x * w + Math.sin(t + l.x * 10) * 12;
      context.fillStyle = "rgba(255, 170, 80, .85)";
      context.shadowColor = "#ffb050";
      context.shadowBlur = 14;
      context.fillRect(lx2 - 4, ly2 * h - 6, 8, 11);
      context.shadowBlur = 0;
    });

    // A ship crossing the harbour.
    var shipX = ((t * 40) % (w + 200)) - 100, shipY = h * 0.7 + Math.sin(t * 2) * 3;
    context.fillStyle = "#120f22";
    context.beginPath();
    context.moveTo(shipX - 40, shipY);
    context.lineTo(shipX + 40, shipY);
    context.lineTo(shipX + 28, shipY + 12);
    context.lineTo(shipX - 28, shipY + 12);
    context.fill();
    context.beginPath();
    context.moveTo(shipX, shipY - 50);
    context.lineTo(shipX + 26, shipY - 6);
    context.lineTo(shipX, shipY - 6);
    context.fill();

    document.getElementById("progress").style.width = Math.min(100, t * 12) + "%";
    frames++;
    requestAnimationFrame(draw);
  }
  requestAnimationFrame(draw);

  // What native code may ask the page: where the game is.
  var registered = false;
  var bridge = Portal.bridge();
  if (bridge) {
    try {
      bridge.register("GetGameStatus", function (query) {
        return { scene: "harbour", frames: frames, uid: values.uid || "", asked: query };
      });
      registered = true;
    } catch (e) {
      registered = false;
    }
  }

  document.getElementById("notice").addEventListener("click", function () {
    if (bridge) bridge.call("ShowMessageBox", "今晚八点：雾港海战 · Harbour battle tonight at 8", function () {});
  });

  // Tell the portal the page runs, once it has drawn for a while.
  setTimeout(function () {
    Portal.report({ event: "running", frames: frames, registered: registered, uid: values.uid || "",
                    title: document.getElementById("realm").textContent });
  }, 1000);
})();
