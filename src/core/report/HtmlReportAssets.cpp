#include "core/report/HtmlReportAssets.h"

namespace korvid
{

// Names may be of any length and the page may be read on a phone: text wraps
// anywhere rather than widening the page, each table sits in a box that scrolls
// sideways on its own when it still cannot fit, and figures never break. In the
// stem table only the name and an error may break inside a word, so the short
// words of the other columns keep their width.
const char* htmlReportStyleSheet()
{
    return R"css(
:root{--bg:#1c1e20;--panel:#232629;--raised:#2c3033;--line:#3a4045;--text:#e6e8ea;--muted:#9aa0a6;--accent:#7fb2d9;--good:#7bbf7b;--warn:#d9b25f;--bad:#e79a9a;--bad-bg:#3a2626}
*{box-sizing:border-box}
body{margin:0;padding:24px 32px;background:var(--bg);color:var(--text);font:14px/1.5 system-ui,-apple-system,"Segoe UI",Roboto,"Helvetica Neue",Arial,sans-serif;overflow-wrap:anywhere}
h1{font-size:26px;font-weight:600;margin:0 0 4px}
h3{font-size:12px;font-weight:600;text-transform:uppercase;letter-spacing:.08em;color:var(--muted);margin:24px 0 8px}
.sub{color:var(--muted);font-size:13px}
.summary{display:flex;flex-wrap:wrap;gap:12px;margin:18px 0}
.card{background:var(--panel);border:1px solid var(--line);border-radius:6px;padding:10px 16px;min-width:120px}
.card .n{font-size:20px;font-weight:600}
.card .l{color:var(--muted);font-size:12px}
.card.bad{background:var(--bad-bg);border-color:var(--bad)}
.tabs{display:flex;flex-wrap:wrap;gap:2px;border-bottom:1px solid var(--line);margin:18px 0}
.tabs button{background:none;border:0;border-bottom:2px solid transparent;color:var(--muted);font:inherit;padding:8px 14px;cursor:pointer;max-width:100%;text-align:left;overflow-wrap:anywhere}
.tabs button:hover{background:var(--raised)}
.tabs button[aria-selected="true"]{color:var(--text);border-bottom-color:var(--accent);background:var(--raised)}
.tabs button.has-problem{color:var(--bad)}
.tabs button.has-problem::before{content:"\25CF\00A0\00A0"}
.panel{display:none}
.panel.active{display:block}
.headline{background:var(--panel);border-left:4px solid var(--good);border-radius:4px;padding:10px 14px;font-size:16px}
.headline.bad{border-left-color:var(--bad);background:var(--bad-bg);color:var(--bad)}
.good{color:var(--good)}
.table-box{max-width:100%;overflow-x:auto}
table.data{border-collapse:collapse;width:100%;max-width:900px;font-variant-numeric:tabular-nums}
table.data th{width:210px;text-align:left;font-weight:normal;color:var(--muted);padding:3px 12px 3px 0}
table.data td{padding:3px 0}
table.grid{width:100%;border-collapse:collapse;background:var(--panel);border:1px solid var(--line);font-variant-numeric:tabular-nums}
table.grid th{background:var(--raised);text-align:left;font-weight:600;padding:6px 10px}
table.grid td{padding:5px 10px;border-top:1px solid var(--line)}
table.grid th,table.grid td{overflow-wrap:normal}
table.grid td:nth-child(2),table.grid tr.bad td:last-child{overflow-wrap:anywhere}
table.grid td:nth-child(2){min-width:6em}
table.grid td:nth-child(3),table.grid td:nth-child(4),table.grid td:nth-child(5){white-space:nowrap}
tr.bad td,.bad{color:var(--bad)}
tr.bad td{background:var(--bad-bg)}
tr.warn td,.warn{color:var(--warn)}
tr.muted td,.muted{color:var(--muted)}
.note{margin:14px 0 4px}
.path{font-family:ui-monospace,Consolas,"DejaVu Sans Mono",monospace;font-size:12px;word-break:break-all}
.file{background:var(--panel);border:1px solid var(--line);border-radius:6px;padding:8px 12px;margin:8px 0}
.file.mix{border-color:var(--accent)}
.file.submix{border-color:#6fd8ee}
.file-head{display:flex;flex-wrap:wrap;align-items:baseline;gap:4px 16px;margin-bottom:6px}
.file-name{font-family:ui-monospace,Consolas,"DejaVu Sans Mono",monospace;min-width:0}
.file-meta{color:var(--muted);font-size:12px}
svg.wave{display:block;width:100%;height:78px}
details{margin:24px 0}
summary{color:var(--muted);cursor:pointer}
pre{background:var(--panel);border:1px solid var(--line);border-radius:6px;padding:12px;overflow-x:auto;font-size:12px}
footer{color:var(--muted);font-size:12px;border-top:1px solid var(--line);margin-top:32px;padding-top:10px}
@media (max-width:600px){body{padding:16px 12px}table.data th{width:45%}table.grid{font-size:13px}table.grid th,table.grid td{padding:4px}}
@media print{body{background:#fff;color:#000}.tabs{display:none}.panel{display:block;page-break-after:always}.table-box{overflow:visible}}
)css";
}

// Showing a tab puts "#" and its panel's name in the address, replacing the entry so
// the back button leaves the page rather than walking the tabs. The panels carry no
// id: a fragment that names an element makes the browser scroll to it while the page
// loads, which would open the page with its title and tabs above the window.
const char* htmlReportScript()
{
    return R"js(
(function () {
  var tabs = Array.prototype.slice.call(document.querySelectorAll('.tabs button'));
  var panels = Array.prototype.slice.call(document.querySelectorAll('section.panel'));
  function show(name) {
    panels.forEach(function (p) { p.classList.toggle('active', p.getAttribute('data-panel') === name); });
    tabs.forEach(function (b) { b.setAttribute('aria-selected', b.getAttribute('data-target') === name ? 'true' : 'false'); });
    if (window.history && history.replaceState) {
      try { history.replaceState(history.state, '', '#' + encodeURIComponent(name)); } catch (e) {}
    }
  }
  tabs.forEach(function (b) {
    b.addEventListener('click', function () { show(b.getAttribute('data-target')); });
  });
  document.addEventListener('keydown', function (e) {
    if (e.key !== 'ArrowLeft' && e.key !== 'ArrowRight') return;
    var i = -1;
    for (var k = 0; k < tabs.length; k++) {
      if (tabs[k].getAttribute('aria-selected') === 'true') { i = k; break; }
    }
    if (i < 0) return;
    var n = tabs.length;
    var next = tabs[e.key === 'ArrowLeft' ? (i - 1 + n) % n : (i + 1) % n];
    next.click();
    next.focus();
  });
  var wanted = location.hash.replace(/^#/, '');
  try { wanted = decodeURIComponent(wanted); } catch (e) {}
  var first = panels.filter(function (p) { return p.getAttribute('data-panel') === wanted; })[0] || panels[0];
  if (first) show(first.getAttribute('data-panel'));
})();
)js";
}

} // namespace korvid
