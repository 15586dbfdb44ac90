// The album upload endpoint on Node.js: what tools/album-server does for uploads, in one file,
// so that a site on Node sees the control's protocol in its own stack.
//
//   npm install && node server.js PORT DATA_DIR ACCOUNTS_FILE [--secret TEXT] [--request-time SECONDS]
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
// The control's form has six parts, each field a few dozen bytes; a photograph is far below
// the file limit. Anything bigger is not an upload, and is read without being kept.
const MAX_FIELD_BYTES = 4096;
const MAX_PARTS = 16;
const MAX_FILE_BYTES = 64 * 1024 * 1024;
// How long a signature handed to a page stays good.
const SIGNATURE_LIFETIME_SECONDS = 24 * 60 * 60;

// Album-RetCode 100 and 999 are what the control knows; any other number means "failed,
// may be sent again". Error-Info is shown to the user as it is.
const STORED = [100, '上传成功'];
const BAD_FORM = [999, '表单不完整'];
const NO_SUCH_ALBUM = [999, '相册不存在'];
const BAD_SIGNATURE = [999, '签名错误'];
const SIGNATURE_EXPIRED = [999, '签名已过期，请刷新页面'];
const FILE_BEFORE_SIGNATURE = [999, '文件在签名之前，未予接收'];
const NOT_A_PICTURE = [999, '不是图片文件'];
const BAD_FILE_NAME = [999, '文件名无效'];
const NAME_DISAGREES = [999, '文件名与图片类型不符'];
const TOO_LARGE = [999, '图片太大'];
const OVER_QUOTA = [999, '相册空间不足'];
const INCOMPLETE = [1, '上传数据不完整'];
const TOO_SLOW = [1, '上传超时'];
const STORAGE_FAILED = [2, '服务器存储失败'];

function usage() {
  process.stderr.write('usage: node server.js PORT DATA_DIR ACCOUNTS_FILE [--secret TEXT] [--request-time SECONDS] [--https CERT KEY]\n');
  process.exit(2);
}

const [portArg, dataDir, accountsFile, ...rest] = process.argv.slice(2);
if (!accountsFile || !/^\d+$/.test(portArg)) usage();
let secret = null;
// The longest an upload may take, from its headers to its last byte.
let requestSeconds = 600;
let tls = null;
for (let i = 0; i < rest.length; ++i) {
  if (rest[i] === '--secret' && i + 1 < rest.length) secret = rest[++i];
  else if (rest[i] === '--request-time' && /^[1-9]\d*$/.test(rest[i + 1] || '')) requestSeconds = Number(rest[++i]);
  else if (rest[i] === '--https' && i + 2 < rest.length) tls = { cert: fs.readFileSync(rest[++i]), key: fs.readFileSync(rest[++i]) };
  else usage();
}
fs.mkdirSync(path.join(dataDir, '.incoming'), { recursive: true });
if (secret === null) {
  // Kept in the data folder, so the signatures a site has handed out stay valid. Born
  // readable by its owner only ('wx': made here, never through a link already there).
  const secretFile = path.join(dataDir, '.secret');
  try {
    if (!fs.existsSync(secretFile)) {
      fs.writeFileSync(secretFile, crypto.randomBytes(32).toString('hex'), { mode: 0o600, flag: 'wx' });
    }
    secret = fs.readFileSync(secretFile, 'utf8');
  } catch (e) {
    process.stderr.write(`server.js: cannot keep a secret in ${dataDir}: ${e.message}\n`);
    process.exit(1);
  }
  if (!secret) {
    process.stderr.write(`server.js: ${secretFile} is empty\n`);
    process.exit(1);
  }
}

// signature = EXPIRES "-" hex(HMAC-SHA256(secret, KXUIN "\n" ALBUM_NAME_IN_GBK "\n" EXPIRES)), first
// 32 digits; EXPIRES is the Unix time after which it is refused. The expiry is signed too.
const sign = (kxuin, nameGbk, expires) => `${expires}-` + crypto.createHmac('sha256', secret)
  .update(Buffer.concat([Buffer.from(kxuin + '\n'), nameGbk, Buffer.from(`\n${expires}`)])).digest('hex').slice(0, 32);
const now = () => Math.floor(Date.now() / 1000);
const issue = (kxuin, nameGbk) => sign(kxuin, nameGbk, now() + SIGNATURE_LIFETIME_SECONDS);

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

// 'valid', 'expired' or 'invalid' at the time `at`. Upper-case hex is taken too; the comparison
// takes the same time wherever it differs.
function checkSignature(given, album, at) {
  const m = /^(0|[1-9]\d{0,15})-([0-9a-fA-F]{32})$/.exec(String(given));
  if (!m) return 'invalid';
  const a = Buffer.from(`${m[1]}-${m[2].toLowerCase()}`);
  const b = Buffer.from(sign(album.kxuin, album.nameGbk, Number(m[1])));
  if (a.length !== b.length || !crypto.timingSafeEqual(a, b)) return 'invalid';
  return at <= Number(m[1]) ? 'valid' : 'expired';
}

const albumOf = (fields) =>
  'kxuin' in fields && 'albumname' in fields
    ? albums.find((a) => a.kxuin === fields.kxuin && a.name === fromGbk(bytesOf(fields.albumname)))
    : undefined;

// The last part of a name (decoded first, so a GBK trail byte 0x5C is no separator), or null
// when it is no name to store a file under.
function safeName(name) {
  const base = name.split(/[\\/]/).pop();
  if (!base || base.startsWith('.') || gbk(base).length > 200 || /[\x00-\x1f\x7f:*?"<>|\ufffd]/.test(base)) return null;
  return base;
}

// What a file's first bytes show, and what a name's extension promises: only these two kinds
// are ever stored, and only under a name of their own kind.
function kindOfContent(head) {
  if (head.subarray(0, 3).equals(Buffer.from([0xff, 0xd8, 0xff]))) return 'jpeg';
  if (head.subarray(0, 4).toString('latin1') === 'GIF8') return 'gif';
  return null;
}
function kindOfName(name) {
  const ext = name.slice(name.lastIndexOf('.') + 1).toLowerCase();
  return name.includes('.') ? { jpg: 'jpeg', jpeg: 'jpeg', gif: 'gif' }[ext] || null : null;
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
    'X-Content-Type-Options': 'nosniff',
  });
  res.end(`retcode ${code}\n`);
}

function judge(fields, malformed, file, at) {
  if (!file || malformed || !['signature', 'kxuin', 'albumname'].every((f) => f in fields)) return BAD_FORM;
  const album = albumOf(fields);
  if (!album) return NO_SUCH_ALBUM;
  const signature = checkSignature(fields.signature, album, at);
  if (signature !== 'valid') return signature === 'expired' ? SIGNATURE_EXPIRED : BAD_SIGNATURE;
  if (!file.temp) return FILE_BEFORE_SIGNATURE;
  const kind = kindOfContent(file.head);
  if (!kind) return NOT_A_PICTURE;
  const name = safeName(fromGbk(bytesOf(fields.imgfile || file.filename)));
  if (name && kindOfName(name) !== kind) return NAME_DISAGREES;
  if (file.truncated) return TOO_LARGE;
  if (!name) return BAD_FILE_NAME;
  if (file.failed) return STORAGE_FAILED;
  if (album.used + file.bytes > album.quota) return OVER_QUOTA;
  if (!storeAs(album, file.temp, name)) return STORAGE_FAILED;
  album.used += file.bytes;
  return STORED;
}

function upload(req, res) {
  // One clock for the whole request: its signature is judged at the time it began, and a
  // client that sends slowly enough to hold a connection for long is cut off.
  const at = now();
  let form;
  try {
    // latin1 keeps every byte of the GBK fields and file name; nothing is guessed.
    form = busboy({ headers: req.headers, defCharset: 'latin1', defParamCharset: 'latin1', preservePath: true,
                    limits: { fieldSize: MAX_FIELD_BYTES, files: 1, parts: MAX_PARTS, fileSize: MAX_FILE_BYTES } });
  } catch (e) {
    req.resume().on('end', () => answer(res, BAD_FORM));  // not multipart/form-data
    return;
  }
  // Keyed by names the client chose: no prototype for one of them to reach.
  const fields = Object.create(null);
  let malformed = false;
  let file = null;
  const done = [];  // the file's write stream ends after the body
  // The temporary file is gone before the answer goes: a client that has its answer finds
  // nothing of the upload left but what was stored.
  const cleanUp = () => (file && file.temp ? fs.promises.rm(file.temp, { force: true }) : Promise.resolve());
  // Cut off: nothing of the body is kept, the rest of it is not read.
  const cutOff = (verdict) => {
    req.unpipe(form);
    if (file && file.out) file.out.destroy();
    res.setHeader('Connection', 'close');
    res.on('finish', () => req.socket.destroy());
    Promise.all(done).then(cleanUp).then(() => answer(res, verdict));
  };
  const timer = setTimeout(() => { form.removeAllListeners('close'); cutOff(TOO_SLOW); }, requestSeconds * 1000);
  res.on('close', () => clearTimeout(timer));
  form.on('partsLimit', () => { malformed = true; });
  form.on('field', (name, value, info) => {
    // A field over its size, or given twice (which of two signatures would count?).
    if (info.valueTruncated || name in fields) malformed = true;
    else fields[name] = value;
  });
  form.on('file', (name, stream, info) => {
    if (name !== FILE_FIELD || file) return stream.resume();
    file = { filename: info.filename || '', temp: null, bytes: 0, head: Buffer.alloc(0), failed: false, truncated: false };
    stream.on('data', (chunk) => {
      if (file.head.length < 8) file.head = Buffer.concat([file.head, chunk.subarray(0, 8 - file.head.length)]);
      file.bytes += chunk.length;
    });
    stream.on('limit', () => { file.truncated = true; });
    // Authorised before accepted: a file part that comes before a valid signature for an
    // album is read and thrown away, and never touches the disk.
    const album = albumOf(fields);
    if (!album || checkSignature(fields.signature, album, at) !== 'valid') return stream.resume();
    file.temp = path.join(dataDir, '.incoming', 'upload-' + crypto.randomBytes(6).toString('hex'));
    const out = fs.createWriteStream(file.temp);
    file.out = out;
    out.on('error', () => { file.failed = true; });
    stream.pipe(out);
    done.push(new Promise((resolve) => out.on('close', resolve)));
  });
  form.on('error', () => {
    // A body cut short, or one without its closing boundary.
    clearTimeout(timer);
    cutOff(INCOMPLETE);
  });
  req.on('error', (e) => form.destroy(e));  // the client went away mid-body
  form.on('close', () => {
    clearTimeout(timer);
    Promise.all(done).then(() => {
      const verdict = judge(fields, malformed, file, at);
      const who = `${fields.kxuin || '-'} ${fromGbk(bytesOf(fields.albumname || ''))}`;
      const what = file ? fromGbk(bytesOf(fields.imgfile || file.filename)) : '-';
      console.log(`upload ${who} ${what}: ${verdict[0]} ${verdict[1]}`);
      return cleanUp().then(() => answer(res, verdict));
    });
  });
  req.pipe(form);
}

const handler = (req, res) => {
  if (req.method === 'POST') return upload(req, res);
  res.writeHead(404, { 'Content-Type': 'text/plain', 'X-Content-Type-Options': 'nosniff' });
  res.end('this endpoint takes the control\'s uploads (POST)\n');
};
const server = tls ? https.createServer(tls, handler) : http.createServer(handler);
// The control's worker runs at idle priority and may pause between writes on a busy machine:
// each upload keeps its own, longer clock (requestSeconds).
server.requestTimeout = 0;
server.listen(Number(portArg), '127.0.0.1', () => {
  console.log(`listening 127.0.0.1:${server.address().port}`);
  for (const a of albums) console.log(`signature ${a.kxuin} ${issue(a.kxuin, a.nameGbk)} ${a.name}`);
});
process.on('SIGTERM', () => server.close(() => process.exit(0)));
