// A page's script drives the control through late binding only.
//   cscript //nologo control_members.js ProgID host port user cjk
// An uncaught error ends cscript with exit code 0 and no word, so every step is caught here
// and the script prints its own verdict: PASS, or FAIL with one line per fault.
// Kept in ASCII: cscript reads the file in the ANSI code page.
var args = WScript.Arguments;
var failures = [];

function check(what, actual, expected) {
    if (actual !== expected)
        failures.push(what + ": got " + actual + " (" + typeof actual + "), expected " + expected);
}

function attempt(what, action) {
    try {
        action();
    } catch (e) {
        failures.push(what + " threw " + (e.number >>> 0).toString(16) + " " + e.description);
    }
}

function unsigned(value) {
    return typeof value === "number" ? value >>> 0 : value;
}

try {
    var progId = args(0), host = args(1), port = parseInt(args(2), 10), user = args(3);
    var caption = args(4) === "1" ? "\u4E2D\u6587\u6807\u9898 FTP" : "Tavo caption";
    var ctl = new ActiveXObject(progId);

    // name, value at start, a value written and read back
    var properties = [
        ["Visible", false, true], ["AutoScroll", true, false], ["AutoSize", false, true],
        ["AxBorderStyle", 1, 3], ["Caption", "FTPClient", caption],
        ["Color", 0xFF00000F, 0x00336699], ["KeyPreview", false, true],
        ["PixelsPerInch", 96, 120], ["PrintScale", 1, 2], ["Scaled", true, false],
        ["DropTarget", false, true], ["HelpFile", "", "tavo.hlp"], ["ScreenSnap", false, true],
        ["SnapBuffer", 10, 25], ["DoubleBuffered", false, true], ["Enabled", true, false],
        ["GoToFlag", 0, 5]
    ];
    for (var i = 0; i < properties.length; ++i) {
        var name = properties[i][0], start = properties[i][1], next = properties[i][2];
        attempt(name, function () {
            check(name + " at start", unsigned(ctl[name]), unsigned(start));
            ctl[name] = next;
            check(name + " written", unsigned(ctl[name]), unsigned(next));
        });
    }
    attempt("read-only properties", function () {
        check("Active", ctl.Active, false);
        check("AlignDisabled", ctl.AlignDisabled, false);
        check("VisibleDockClientCount", ctl.VisibleDockClientCount, 0);
    });
    attempt("Font", function () {
        var font = ctl.Font;
        // Wine's font object names the face it realised, not the one asked for.
        check("Font.Name is text", typeof font.Name, "string");
        font.Bold = true;
        check("Font tied to the form", ctl.Font.Bold, true);
        ctl.Font = font;
        check("Font put back", ctl.Font.Bold, true);
    });
    // What a container that saves and restores properties does.
    attempt("Color written back as read", function () { ctl.Color = ctl.Color; });
    attempt("Enabled again", function () { ctl.Enabled = true; });
    attempt("AxBorderStyle again", function () { ctl.AxBorderStyle = 1; });

    attempt("share list", function () {
        check("ShareList at start", ctl.ShareList, "");
        ctl.ShareList = "|written by the page";
        check("ShareList after a write", ctl.ShareList, "");
        var codes = [1, 2, 3, 4, 0, 7];
        for (var c = 0; c < codes.length; ++c)
            ctl.Enable_ShareList(codes[c]);
        // The flag is one per loaded library: a second control sees the first one's.
        var second = new ActiveXObject(progId);
        check("GoToFlag of a second control", second.GoToFlag, 5);
        second.GoToFlag = 0;
        check("GoToFlag after the second wrote", ctl.GoToFlag, 0);
    });

    // Anonymous log-in: the test server takes no password.
    attempt("SetLogin", function () { ctl.SetLogin(host, user, "", port); });
    attempt("Close", function () { ctl.Close(); });
    try {
        ctl.SetLogin(host, user, "", port);
        failures.push("SetLogin after Close did not fail");
    } catch (e) {
        check("number of SetLogin after Close", e.number >>> 0, 0x8000FFFF);
        if (!/closed/i.test(e.description))
            failures.push("description of SetLogin after Close: " + e.description);
    }
} catch (e) {
    failures.push("uncaught " + (e.number >>> 0).toString(16) + " " + e.description);
}

if (failures.length === 0) {
    WScript.Echo("PASS");
} else {
    for (var f = 0; f < failures.length; ++f)
        WScript.Echo("FAIL " + failures[f]);
}
WScript.Quit(failures.length === 0 ? 0 : 1);
