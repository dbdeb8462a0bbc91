"""What the browser checks share: their failure, a folder served on 127.0.0.1, and the scripts
they run inside a page (layout shifts, contrast of every text node, the focused control and tap
targets)."""

import functools
import http.server
import threading


class Failure(Exception):
    """A check that did not hold."""


def check(condition, message):
    if not condition:
        raise Failure(message)


class Server:
    """A folder served on 127.0.0.1."""

    def __init__(self, folder):
        class Quiet(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args):
                pass

        handler = functools.partial(Quiet, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        self.base = f"http://127.0.0.1:{self.httpd.server_address[1]}/"

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


# Async: the layout shifts the page has had since it was opened that no input caused.
SHIFTS_JS = """
var done = arguments[arguments.length - 1];
var shifts = [];
function name(node) {
    if (!node) return '?';
    return node.nodeName + (node.id ? '#' + node.id : '') +
        (typeof node.className === 'string' && node.className ? '.' + node.className : '');
}
new PerformanceObserver(function(list) {
    list.getEntries().forEach(function(entry) {
        if (!entry.hadRecentInput && entry.value > 0) {
            shifts.push(entry.value.toFixed(4) + ' ' +
                (entry.sources || []).map(function(s) { return name(s.node); }).join(', '));
        }
    });
}).observe({type: 'layout-shift', buffered: true});
setTimeout(function() { done(shifts); }, 300);
"""

# The visible text nodes whose contrast with what lies behind them is below 4.5:1.
CONTRAST_JS = """
function parse(text) {
    var m = /rgba?\\(([^)]*)\\)/.exec(text);
    var scale = 1;
    if (!m) { m = /color\\(srgb ([^)]*)\\)/.exec(text); scale = 255; }
    if (!m) return null;
    var p = m[1].split(/[\\s,\\/]+/).filter(Boolean).map(Number);
    return [p[0] * scale, p[1] * scale, p[2] * scale, p.length > 3 ? p[3] : 1];
}
function over(top, bottom) {
    var a = top[3];
    return [0, 1, 2].map(function(i) { return top[i] * a + bottom[i] * (1 - a); }).concat([1]);
}
function behind(element) {
    var layers = [];
    for (var n = element; n; n = n.parentElement) {
        var colour = parse(getComputedStyle(n).backgroundColor);
        if (colour && colour[3] > 0) layers.push(colour);
        if (colour && colour[3] >= 1) break;
    }
    var dark = matchMedia('(prefers-color-scheme: dark)').matches;
    var result = dark ? [18, 18, 18, 1] : [255, 255, 255, 1];
    for (var i = layers.length - 1; i >= 0; i--) result = over(layers[i], result);
    return result;
}
function luminance(c) {
    var v = [0, 1, 2].map(function(i) {
        var x = c[i] / 255;
        return x <= 0.03928 ? x / 12.92 : Math.pow((x + 0.055) / 1.055, 2.4);
    });
    return 0.2126 * v[0] + 0.7152 * v[1] + 0.0722 * v[2];
}
var failures = [];
var checked = 0;
var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
for (var t = walker.nextNode(); t; t = walker.nextNode()) {
    var element = t.parentElement;
    if (!t.data.trim() || !element.checkVisibility({visibilityProperty: true})) continue;
    var range = document.createRange();
    range.selectNodeContents(t);
    var box = range.getBoundingClientRect();
    if (box.width === 0 || box.height === 0) continue;
    var back = behind(element);
    var ink = over(parse(getComputedStyle(element).color), back);
    var a = luminance(ink), b = luminance(back);
    var ratio = (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);
    checked++;
    if (ratio < 4.5)
        failures.push(t.data.trim().slice(0, 30) + ': ' + ratio.toFixed(2) + ':1');
}
return [checked, failures];
"""

# The focused element: its description and whether a focus ring of 2 px or more shows.
FOCUS_JS = """
var e = document.activeElement;
if (!e || e === document.body) return ['body', false];
var style = getComputedStyle(e);
var ring = style.outlineStyle !== 'none' && parseFloat(style.outlineWidth) >= 2;
var box = e.getBoundingClientRect();
var label = e.getAttribute('aria-label') || e.textContent.trim() || e.id;
return [e.nodeName + ':' + label, ring && box.width > 0 && box.height > 0];
"""

# The visible controls (links, buttons) outside notes smaller than 44 x 44 CSS px.
TARGETS_JS = """
var small = [];
var controls = document.querySelectorAll('a[href], button, [tabindex]');
for (var i = 0; i < controls.length; i++) {
    var c = controls[i];
    if (c.closest('.note') || !c.checkVisibility({visibilityProperty: true})) continue;
    var box = c.getBoundingClientRect();
    if (box.width < 44 || box.height < 44)
        small.push(c.nodeName + ' ' + (c.textContent.trim() || c.className) + ' ' +
                   Math.round(box.width) + 'x' + Math.round(box.height));
}
return small;
"""
