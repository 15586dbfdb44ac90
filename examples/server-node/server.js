// The album upload endpoint on Node.js: what tools/album-server does for uploads, in one file,
// so that a site on Node sees the control's protocol in its own stack.
//
//   npm install && node server.js PORT DATA_DIR ACCOUNTS_FILE [--secret TEXT]
//                                 [--https CERT_CHAIN.pem KEY.pem]
//
// With --https it serves TLS with that certificate and key, as a site should: the form carries
// the signature and the user's pictures.
//
// It takes the same accounts file, secret, signatures and data folder layout as the album
// server, so a page set up for one works with the other. See docs/integration.md.
'use strict';

const crypto = require('crypto');
const fs = require('fs');
const http = require('http');
const https = require('https');
const path = require('path');
const busboy = require('busboy');
const iconv = require('iconv-lite');

// Everything the control sends or reads as text is code page 936 (GBK).
const gbk = (text) => iconv.encode(text, 'gbk');
const fromGbk = (bytes) => iconv.decode(bytes, 'gbk');
// busboy hands over a 'latin1' string byte for byte; these get the bytes back.
const bytesOf = (latin1) => Buffer.from(latin1, 'latin1');

const FILE_FIELD = 'album';
const MAX_FIELD_BYTES = 4096;

// Album-RetCode 100 and 999 are what the control knows; any other number means "failed,
// may be sent again". Error-Info is shown to the user as it is.
const STORED = [100, '上传成功'];
const BAD_FORM = [999, '表单不完整'];
const NO_SUCH_ALBUM = [999, '相册不存在'];
const BAD_SIGNATURE = [999, '签名错误'];
const NOT_A_PICTURE = [999, '不是图片文件'];
const BAD_FILE_NAME = [999, '文件名无效'];
const OVER_QUOTA = [999, '相册空间不足'];
const INCOMPLETE = [1, '上传数据不完整'];
const STORAGE_FAILED = [2, '服务器存储失败'];

function usage() {
  process.stderr.write('usage: node server.js PORT DATA_DIR ACCOUNTS_FILE [--secret TEXT] [--https CERT KEY]\n');
  process.exit(2);
}

const [portArg, dataDir, accountsFile, ...rest] = process.argv.slice(2);
if (!accountsFile || !/^\d+$/.test(portArg)) usage();
let secret = null;
let tls = null;
for (let i = 0; i < rest.length; ++i) {
  if (rest[i] === '--secret' && i + 1 < rest.length) secret = rest[++i];
  else if (rest[i] === '--https' && i + 2 < rest.length) tls = { cert: fs.readFileSync(rest[++i]), key: fs.readFileSync(rest[++i]) };
  else usage();
}
fs.mkdirSync(path.join(dataDir, '.incoming'), { recursive: true });
if (secret === null) {
  // Kept in the data folder, so the signatures a site has handed out stay valid.
  const secretFile = path.join(dataDir, '.secret');
  if (!fs.existsSync(secretFile)) fs.writeFileSync(secretFile, crypto.randomBytes(32).toString('hex'), { mode: 0o600 });
  secret = fs.readFileSync(secretFile, 'utf8');
}

// signature = hex(HMAC-SHA256(secret, KXUIN "\n" ALBUM_NAME_IN_GBK)), first 32 digits.
const sign = (kxuin, nameGbk) =>
  crypto.createHmac('sha256', secret).update(Buffer.concat([Buffer.from(kxuin + '\n'), nameGbk])).digest('hex').slice(0, 32);

// "KXUIN QUOTA_KB ALBUM NAME" per line, UTF-8; the folder of an album is KXUIN/hex(GBK name).
const albums = fs.readFileSync(accountsFile, 'utf8').split(/\r?\n/)
  .filter((line) => line.trim() && !line.trim().startsWith('#'))
  .map((line) => {
    const m = /^\s*(\d+)\s+(\d+)\s+(.+?)\s*$/.exec(line);
    if (!m) throw new Error(`${accountsFile}: expected KXUIN QUOTA_KB ALBUM: ${line}`);
    const nameGbk = gbk(m[3]);
    const dir = path.join(dataDir, m[1], nameGbk.toString('hex'));
    fs.mkdirSync(dir, { recursive: true });
    const used = fs.readdirSync(dir).reduce((sum, f) => sum + fs.statSync(path.join(dir, f)).size, 0);
    return { kxuin: m[1], name: m[3], nameGbk, dir, quota: Number(m[2]) * 1024, used };
  });

function sameSignature(given, expected) {
  const a = Buffer.from(String(given).toLowerCase());
  const b = Buffer.from(expected);
  return a.length === b.length && crypto.timingSafeEqual(a, b);
}

// The last part of a name (decoded first, so a GBK trail byte 0x5C is no separator), or null
// when it is no name to store a file under.
function safeName(name) {
  const base = name.split(/[\\/]/).pop();
  if (!base || base.startsWith('.') || gbk(base).length > 200 || /[\x00-\x1f\x7f:*?"<>|\ufffd]/.test(base)) return null;
  return base;
}

function looksLikePicture(head) {
  return head.subarray(0, 3).equals(Buffer.from([0xff, 0xd8, 0xff])) ||
    ['GIF87a', 'GIF89a'].includes(head.subarray(0, 6).toString('latin1'));
}

// name.jpg, name-2.jpg, name-3.jpg, ...: an existing picture is never replaced. The names are
// the GBK bytes, as the album server keeps them.
function storeAs(album, tempFile, name) {
  const dot = name.lastIndexOf('.');
  const [stem, ext] = dot > 0 ? [name.slice(0, dot), name.slice(dot)] : [name, ''];
  for (let n = 1; n < 1000; ++n) {
    const target = Buffer.concat([Buffer.from(album.dir + path.sep), gbk(n === 1 ? name : `${stem}-${n}${ext}`)]);
    try {
      fs.linkSync(tempFile, target);
      return true;
    } catch (e) {
      if (e.code !== 'EEXIST') return false;
    }
  }
  return false;
}

function answer(res, [code, reason]) {
  if (res.headersSent) return;
  // Header values go out byte for byte as latin1: this way the GBK bytes reach the control.
  res.writeHead(200, {
    'Album-RetCode': String(code),
    'Error-Info': gbk(reason).toString('latin1'),
    'Content-Type': 'text/plain',
  });
  res.end(`retcode ${code}\n`);
}

function judge(fields, file) {
  if (!file || fields.oversized || !['signature', 'kxuin', 'albumname'].every((f) => f in fields)) return BAD_FORM;
  const albumName = fromGbk(bytesOf(fields.albumname));
  const album = albums.find((a) => a.kxuin === fields.kxuin && a.name === albumName);
  if (!album) return NO_SUCH_ALBUM;
  if (!sameSignature(fields.signature, sign(album.kxuin, album.nameGbk))) return BAD_SIGNATURE;
  if (!looksLikePicture(file.head)) return NOT_A_PICTURE;
  const name = safeName(fromGbk(bytesOf(fields.imgfile || file.filename)));
  if (!name) return BAD_FILE_NAME;
  if (file.failed) return STORAGE_FAILED;
  if (album.used + file.bytes > album.quota) return OVER_QUOTA;
  if (!storeAs(album, file.temp, name)) return STORAGE_FAILED;
  album.used += file.bytes;
  return STORED;
}

function upload(req, res) {
  let form;
  try {
    // latin1 keeps every byte of the GBK fields and file name; nothing is guessed.
    form = busboy({ headers: req.headers, defCharset: 'latin1', defParamCharset: 'latin1', preservePath: true,
                    limits: { fieldSize: MAX_FIELD_BYTES, files: 1 } });
  } catch (e) {
    req.resume().on('end', () => answer(res, BAD_FORM));  // not multipart/form-data
    return;
  }
  const fields = {};
  let file = null;
  const done = [];  // the file's write stream ends after the body
  form.on('field', (name, value, info) => {
    if (info.valueTruncated) fields.oversized = true;
    else if (!(name in fields)) fields[name] = value;
  });
  form.on('file', (name, stream, info) => {
    if (name !== FILE_FIELD || file) return stream.resume();
    const temp = path.join(dataDir, '.incoming', 'upload-' + crypto.randomBytes(6).toString('hex'));
    file = { filename: info.filename || '', temp, bytes: 0, head: Buffer.alloc(0), failed: false };
    const out = fs.createWriteStream(temp);
    file.out = out;
    out.on('error', () => { file.failed = true; });
    stream.on('data', (chunk) => {
      if (file.head.length < 8) file.head = Buffer.concat([file.head, chunk.subarray(0, 8 - file.head.length)]);
      file.bytes += chunk.length;
    });
    stream.pipe(out);
    done.push(new Promise((resolve) => out.on('close', resolve)));
  });
  const cleanUp = () => file && fs.rm(file.temp, { force: true }, () => {});
  form.on('error', () => {
    // A body cut short, or one without its closing boundary: nothing of it is kept.
    if (file) file.out.destroy();
    Promise.all(done).then(() => { cleanUp(); answer(res, INCOMPLETE); });
  });
  req.on('error', (e) => form.destroy(e));  // the client went away mid-body
  form.on('close', () => {
    Promise.all(done).then(() => {
      const verdict = judge(fields, file);
      cleanUp();
      const who = `${fields.kxuin || '-'} ${fromGbk(bytesOf(fields.albumname || ''))}`;
      const what = file ? fromGbk(bytesOf(fields.imgfile || file.filename)) : '-';
      console.log(`upload ${who} ${what}: ${verdict[0]} ${verdict[1]}`);
      answer(res, verdict);
    });
  });
  req.pipe(form);
}

const handler = (req, res) => {
  if (req.method === 'POST') return upload(req, res);
  res.writeHead(404, { 'Content-Type': 'text/plain' });
  res.end('this endpoint takes the control\'s uploads (POST)\n');
};
const server = tls ? https.createServer(tls, handler) : http.createServer(handler);
// The control's worker runs at idle priority and may pause between writes on a busy machine.
server.requestTimeout = 0;
server.listen(Number(portArg), '127.0.0.1', () => {
  console.log(`listening 127.0.0.1:${server.address().port}`);
  for (const a of albums) console.log(`signature ${a.kxuin} ${sign(a.kxuin, a.nameGbk)} ${a.name}`);
});
process.on('SIGTERM', () => server.close(() => process.exit(0)));
