// A page's script in miniature: creates the control by ProgID and sets and reads every
// property through automation, as a browser's script engine would.
var failures = 0;
function check(what, actual, expected) {
    if (actual !== expected) {
        WScript.Echo("FAIL " + what + ": got " + actual + ", expected " + expected);
        failures++;
    }
}
function mismatch(what, assign) {
    try {
        assign();
        WScript.Echo("FAIL " + what + ": no error");
        failures++;
    } catch (e) {
        // DISP_E_TYPEMISMATCH, 0x80020005, as a signed number.
        check(what + " error", e.number, -2147352571);
    }
}

var ctrl = new ActiveXObject("TESSALINE.TessalineCtrl.1");

check("SpaceSize default", ctrl.SpaceSize, 10240);
check("SpaceUsedSize default", ctrl.SpaceUsedSize, 0);
check("LimitXSize default", ctrl.LimitXSize, 800);
check("LimitYSize default", ctrl.LimitYSize, 600);
check("KXUin default", ctrl.KXUin, 0);
check("Signature default", ctrl.Signature, "");
check("AlbumName default", ctrl.AlbumName, "");
check("UploadCGI default", ctrl.UploadCGI, "");
check("SkinColor default is a colour", typeof ctrl.SkinColor, "number");

var album = "\u6211\u7684\u76f8\u518c";  // 我的相册
ctrl.Signature = "a1b2c3d4e5";
ctrl.AlbumName = album;
ctrl.UploadCGI = "http://127.0.0.1:8080/upload";
ctrl.SpaceSize = 51200;
ctrl.SpaceUsedSize = 1024;
ctrl.KXUin = 123456789;
ctrl.LimitXSize = 1024;
ctrl.LimitYSize = -768;
ctrl.SkinColor = 0x00C0FFEE;

check("Signature", ctrl.Signature, "a1b2c3d4e5");
check("AlbumName", ctrl.AlbumName, album);
check("UploadCGI", ctrl.UploadCGI, "http://127.0.0.1:8080/upload");
check("SpaceSize", ctrl.SpaceSize, 51200);
check("SpaceUsedSize", ctrl.SpaceUsedSize, 1024);
check("KXUin", ctrl.KXUin, 123456789);
check("LimitXSize", ctrl.LimitXSize, 1024);
check("LimitYSize", ctrl.LimitYSize, -768);
check("SkinColor", ctrl.SkinColor, 0x00C0FFEE);

// What a script hands over is converted as automation converts it.
ctrl.SpaceSize = "300";
check("SpaceSize from text", ctrl.SpaceSize, 300);
ctrl.KXUin = 12.4;
check("KXUin from a fraction", ctrl.KXUin, 12);
ctrl.SpaceSize = 0;
check("SpaceSize zero reads back", ctrl.SpaceSize, 0);
ctrl.SpaceUsedSize = -5;
check("SpaceUsedSize negative reads back", ctrl.SpaceUsedSize, -5);
ctrl.SkinColor = -1;
check("SkinColor all bits", ctrl.SkinColor, -1);

var big = "";
for (var i = 0; i < 65536; i++) big += String.fromCharCode(0x4e00 + (i % 64));
ctrl.Signature = big;
check("64K Signature length", ctrl.Signature.length, 65536);
check("64K Signature text", ctrl.Signature === big, true);
ctrl.AlbumName = "";
check("empty AlbumName", ctrl.AlbumName, "");

mismatch("SpaceSize from words", function () { ctrl.SpaceSize = "many"; });
mismatch("LimitXSize past 16 bits", function () { ctrl.LimitXSize = 70000; });
mismatch("KXUin past 32 bits", function () { ctrl.KXUin = 1e12; });
check("LimitXSize kept after a mismatch", ctrl.LimitXSize, 1024);

WScript.Echo(failures == 0 ? "properties: all checks passed" : "properties: " + failures + " failed");
WScript.Quit(failures);
