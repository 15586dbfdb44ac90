// Peers on 127.0.0.1 for the https tests, each on a free port:
//   NAME=CERT,KEY   TLS with that certificate in front of the plain HTTP server on
//                   127.0.0.1:UPSTREAM, each connection piped to one of its own
//   NAME=garbage    answers every connection with bytes that are not TLS, then closes
//   NAME=stall      takes every connection and never sends a byte; hangs up after 3 s, since
//                   WinINet's own thread waits in the handshake until the peer does
// Prints "front NAME PORT" for each, then "ready"; ends on SIGTERM.
//   node tls-fronts.js UPSTREAM NAME=PEER...
'use strict';
const fs = require('fs');
const net = require('net');
const tls = require('tls');

const upstream = Number(process.argv[2]);
const sockets = new Set();
function track(socket) {
  sockets.add(socket);
  socket.on('close', () => sockets.delete(socket));
  socket.on('error', () => socket.destroy());
}

function makeServer(peer) {
  if (peer === 'garbage') {
    return net.createServer((socket) => {
      track(socket);
      socket.end('HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok' + 'x'.repeat(600));
    });
  }
  if (peer === 'stall') {
    return net.createServer((socket) => {
      track(socket);
      setTimeout(() => socket.destroy(), 3000);
    });
  }
  const [cert, key] = peer.split(',');
  const server = tls.createServer({cert: fs.readFileSync(cert), key: fs.readFileSync(key)}, (socket) => {
    track(socket);
    const plain = net.connect(upstream, '127.0.0.1');
    track(plain);
    socket.pipe(plain).pipe(socket);
    socket.on('close', () => plain.destroy());
    plain.on('close', () => socket.destroy());
  });
  // A handshake the client breaks off (a certificate it refuses) is no error of the front's.
  server.on('tlsClientError', () => {});
  return server;
}

async function main() {
  const servers = [];
  for (const arg of process.argv.slice(3)) {
    const at = arg.indexOf('=');
    const server = makeServer(arg.slice(at + 1));
    servers.push(server);
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    console.log(`front ${arg.slice(0, at)} ${server.address().port}`);
  }
  console.log('ready');
  process.on('SIGTERM', () => {
    for (const server of servers) server.close();
    for (const socket of sockets) socket.destroy();
  });
}

main().catch((e) => {
  console.error(e.message);
  process.exit(1);
});
