// The comparison server: Node's http and better-sqlite3 with the document kept open, serving the
// same endpoints the load client asks the program for. Usage: node node-server.mjs PORT DOCUMENT
import { createHash } from 'node:crypto';
import http from 'node:http';
import Database from 'better-sqlite3';

const [port, file] = process.argv.slice(2);
const db = new Database(file);
db.pragma('busy_timeout = 5000');
const read = {
  pages: db.prepare('SELECT body FROM pages WHERE id=?').pluck(),
  meta: db.prepare('SELECT body FROM meta WHERE id=?').pluck(),
};
const write = {
  pages: db.prepare('INSERT OR REPLACE INTO pages(id, body) VALUES(?, ?)'),
  meta: db.prepare('INSERT OR REPLACE INTO meta(id, body) VALUES(?, ?)'),
};
const tagOf = (body) => '"' + createHash('sha256').update(body).digest('hex').slice(0, 32) + '"';
const status = JSON.stringify({ product: 'Ferncard', version: '1.0.0', file, port: Number(port) });

function send(response, code, body, headers = {}) {
  response.writeHead(code, { 'Content-Type': 'application/json; charset=utf-8', 'Content-Length': Buffer.byteLength(body), ...headers });
  response.end(body);
}

const put = db.transaction((table, id, body, expected) => {
  const old = read[table].get(id);
  if ((old ? tagOf(old) : '"0"') !== expected) return null;
  write[table].run(id, body);
  return tagOf(body);
});

http.createServer((request, response) => {
  const url = request.url.split('?')[0];
  const page = url.startsWith('/api/pages/') ? url.slice('/api/pages/'.length) : null;
  const table = page ? 'pages' : url === '/api/tree' ? 'meta' : null;
  const id = page || 'tree';
  if (url === '/api/status') return send(response, 200, status);
  if (!table) return send(response, 404, '{"error":"not_found","message":""}');
  if (request.method === 'GET') {
    const body = read[table].get(id);
    if (!body) return send(response, 404, '{"error":"not_found","message":""}');
    return send(response, 200, body, { ETag: tagOf(body) });
  }
  const chunks = [];
  request.on('data', (chunk) => chunks.push(chunk));
  request.on('end', () => {
    const tag = put.immediate(table, id, Buffer.concat(chunks), request.headers['if-match']);
    if (!tag) return send(response, 412, '{"error":"conflict","message":""}');
    return send(response, 200, '{}', { ETag: tag });
  });
}).listen(Number(port), '127.0.0.1', () => console.log('listening'));
