#include "BrowserProbe.h"

#include <atomic>
#include <map>
#include <thread>

namespace korvid::test
{

namespace
{
    // Runs first in every copy. It listens for anything the page logs or fails to load,
    // waits for the load to settle, then reports (window.name tells the view):
    //   title, scrollX, scrollY    right after load, before anything else is done
    //   viewportWidth              the frame's width
    //   selected, shownPanels      the tabs marked selected and the panels on screen at load
    //   tags, attributes, classes  every element kind, attribute name and class in the page
    //   scripts                    the number of script elements, the probe's included
    //   isolated                   the text of every <bdi>
    //   requests, problems         resources fetched; errors, warnings, failed loads
    //   overflow                   with each tab shown in turn: tables wider than their
    //                              box, and anything reaching past the page's right edge
    //                              outside a box of its own that scrolls
    //   address                    the address's fragment at load
    //   clicked                    with each tab clicked in turn: its target, the
    //                              fragment and the scroll position afterwards
    const char* const probeScript = R"js(
(function () {
  var problems = [];
  function note(kind, args) { problems.push(kind + ': ' + Array.prototype.map.call(args, String).join(' ')); }
  console.error = function () { note('console.error', arguments); };
  console.warn = function () { note('console.warn', arguments); };
  window.addEventListener('error', function (e) {
    problems.push('error: ' + (e.message || (e.target && e.target.tagName + ' ' + (e.target.src || e.target.href))));
  }, true);
  window.addEventListener('unhandledrejection', function (e) { problems.push('rejection: ' + e.reason); });
  document.addEventListener('securitypolicyviolation', function (e) { problems.push('policy: ' + e.violatedDirective); });

  function unique(list) { return list.filter(function (x, i) { return list.indexOf(x) === i; }).sort(); }
  function scrollsItself(element) {
    for (var e = element.parentElement; e && e !== document.body; e = e.parentElement) {
      if (getComputedStyle(e).overflowX !== 'visible') return true;
    }
    return false;
  }
  function describe(e) { return e.tagName.toLowerCase() + (e.className && e.className.baseVal === undefined ? '.' + e.className : ''); }

  function overflowNow(label, found) {
    var page = document.documentElement.clientWidth;
    if (document.documentElement.scrollWidth > page) {
      found.push(label + ': the page scrolls sideways, ' + document.documentElement.scrollWidth + ' > ' + page);
    }
    Array.prototype.forEach.call(document.querySelectorAll('table'), function (t) {
      var r = t.getBoundingClientRect();
      if (r.width === 0) return;
      var room = t.parentElement.clientWidth;
      if (r.width > room + 0.5 || r.right > page + 0.5) {
        found.push(label + ': ' + describe(t) + ' is ' + Math.round(r.width) + ' px wide in ' + room + ' px');
      }
    });
    function sticksOut(e) {
      var r = e.getBoundingClientRect();
      return r.width > 0 && r.right > page + 0.5 && ! scrollsItself(e);
    }
    // Only the outermost element that sticks out, not everything inside it.
    Array.prototype.forEach.call(document.body.querySelectorAll('*'), function (e) {
      var r = e.getBoundingClientRect();
      if (sticksOut(e) && ! sticksOut(e.parentElement)) {
        found.push(label + ': ' + describe(e) + ' reaches ' + Math.round(r.right) + ' of ' + page + ' px');
      }
    });
  }

  function report() {
    var facts = {
      title: document.title,
      scrollX: window.scrollX,
      scrollY: window.scrollY,
      viewportWidth: window.innerWidth
    };
    var all = Array.prototype.slice.call(document.getElementsByTagName('*'));
    facts.selected = Array.prototype.filter.call(document.querySelectorAll('.tabs button'), function (b) {
      return b.getAttribute('aria-selected') === 'true';
    }).map(function (b) { return b.getAttribute('data-target'); });
    facts.shownPanels = Array.prototype.filter.call(document.querySelectorAll('section.panel'), function (p) {
      return getComputedStyle(p).display !== 'none';
    }).length;
    facts.tags = unique(all.map(function (e) { return e.tagName.toLowerCase(); }));
    var attributes = [];
    all.forEach(function (e) {
      Array.prototype.forEach.call(e.attributes, function (a) { attributes.push(a.name); });
    });
    facts.attributes = unique(attributes);
    var classes = [];
    all.forEach(function (e) {
      (e.getAttribute('class') || '').split(/\s+/).forEach(function (c) { if (c) classes.push(c); });
    });
    facts.classes = unique(classes);
    facts.scripts = document.scripts.length;
    facts.isolated = Array.prototype.map.call(document.querySelectorAll('bdi'), function (b) { return b.textContent; });
    facts.requests = performance.getEntriesByType('resource').map(function (r) { return r.name; });

    facts.address = location.hash;
    var found = [];
    var clicked = [];
    overflowNow('at load', found);
    Array.prototype.forEach.call(document.querySelectorAll('.tabs button'), function (b) {
      b.click();
      clicked.push(b.getAttribute('data-target') + ' ' + location.hash + ' ' + window.scrollX + ',' + window.scrollY);
      overflowNow(b.getAttribute('data-target'), found);
    });
    facts.clicked = clicked;
    facts.overflow = found.slice(0, 20);
    facts.problems = problems;

    // Plain ASCII without markup characters, so the harness's dumped DOM holds it verbatim.
    var text = JSON.stringify({ view: window.name, facts: facts }).replace(/[\u007f-\uffff<>&]/g, function (c) {
      return '\\u' + ('000' + c.charCodeAt(0).toString(16)).slice(-4);
    });
    parent.postMessage(text, '*');
  }

  window.addEventListener('load', function () { setTimeout(report, 500); });
})();
)js";

    const char* const harnessScript = R"js(
var received = [];
window.addEventListener('message', function (e) {
  received.push(e.data);
  document.getElementById('results').textContent = '[' + received.join(',') + ']';
});
)js";

    juce::String withProbe (const juce::String& page)
    {
        const auto head = page.indexOf ("<head>");

        if (head < 0)
            return "<script>" + juce::String (probeScript) + "</script>\n" + page;

        const auto at = head + 6;
        return page.substring (0, at) + "\n<script>" + probeScript + "</script>" + page.substring (at);
    }

    bool runChromium (const juce::StringArray& arguments, int timeoutMs, juce::String& output, juce::String& error)
    {
        juce::ChildProcess chromium;

        if (! chromium.start (arguments, juce::ChildProcess::wantStdOut))
        {
            error = "Chromium did not start.";
            return false;
        }

        // Reading blocks until the browser exits; a browser that hangs is ended, and the
        // read then comes back with what was written.
        std::atomic<bool> finished { false };
        std::atomic<bool> killed { false };
        std::thread watchdog ([&]
        {
            const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

            while (! finished && juce::Time::getMillisecondCounter() < deadline)
                juce::Thread::sleep (20);

            if (! finished)
            {
                killed = true;
                chromium.kill();
            }
        });

        output = chromium.readAllProcessOutput();
        finished = true;
        watchdog.join();

        if (killed)
        {
            error = "Chromium did not finish within " + juce::String (timeoutMs / 1000) + " s.";
            return false;
        }

        return true;
    }
}

juce::File chromiumExecutable()
{
    return juce::File ("/usr/bin/chromium");
}

bool measureInChromium (const std::vector<PageView>& views, const juce::File& workFolder,
                        std::vector<juce::var>& facts, juce::String& error)
{
    facts.assign (views.size(), {});

    if (! workFolder.createDirectory())
    {
        error = "The work folder could not be made.";
        return false;
    }

    // One probed copy per page, however many views show it.
    std::map<juce::String, juce::String> copies;
    juce::String frames;

    for (size_t i = 0; i < views.size(); ++i)
    {
        const auto& view = views[i];
        auto& copy = copies[view.page.getFullPathName()];

        if (copy.isEmpty())
        {
            copy = "page" + juce::String ((int) copies.size()) + ".html";

            if (! workFolder.getChildFile (copy).replaceWithText (withProbe (view.page.loadFileAsString()), false, false, "\n"))
            {
                error = "The probed copy of " + view.page.getFileName() + " could not be written.";
                return false;
            }
        }

        frames << "<iframe name=\"view" << (int) i << "\" src=\"" << copy
               << (view.fragment.isNotEmpty() ? "#" + view.fragment : juce::String())
               << "\" style=\"width:" << view.width << "px;height:700px;border:0;display:block\"></iframe>\n";
    }

    const auto harness = workFolder.getChildFile ("harness.html");
    harness.replaceWithText ("<!doctype html>\n<html><head><meta charset=\"utf-8\"><script>" + juce::String (harnessScript)
                             + "</script></head><body>\n<pre id=\"results\"></pre>\n" + frames + "</body></html>\n",
                             false, false, "\n");

    const juce::StringArray arguments {
        chromiumExecutable().getFullPathName(),
        "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
        "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--user-data-dir=" + workFolder.getChildFile ("profile").getFullPathName(),
        "--window-size=1400,900",
        "--virtual-time-budget=10000",
        "--dump-dom",
        juce::URL (harness).toString (false)
    };

    juce::String dom;

    if (! runChromium (arguments, 90000, dom, error))
        return false;

    const auto start = dom.indexOf ("<pre id=\"results\">");
    const auto end = dom.indexOf (start, "</pre>");

    if (start < 0 || end < 0)
    {
        error = "Chromium gave no page back.";
        return false;
    }

    const auto received = juce::JSON::parse (dom.substring (start + 18, end));

    if (const auto* list = received.getArray())
        for (const auto& entry : *list)
        {
            const auto index = entry["view"].toString().fromFirstOccurrenceOf ("view", false, false).getIntValue();

            if (juce::isPositiveAndBelow (index, (int) views.size()))
                facts[(size_t) index] = entry["facts"];
        }

    for (size_t i = 0; i < views.size(); ++i)
        if (! facts[i].isObject())
        {
            error = "The view of " + views[i].page.getFileName() + " at " + juce::String (views[i].width)
                  + " px reported nothing.";
            return false;
        }

    return true;
}

} // namespace korvid::test
