// A raw HTTP/1.1 client over plain sockets: sends exactly the bytes given and returns exactly the
// bytes received, with the head parsed (header order and duplicates kept).
import net from 'node:net';

// Sends the bytes to 127.0.0.1:port and resolves with everything the server sent until it closed.
export function exchange(port, bytes) {
  return new Promise((resolve, reject) => {
    const socket = net.connect(port, '127.0.0.1');
    const chunks = [];
    socket.on('data', (chunk) => chunks.push(chunk));
    socket.once('error', reject);
    socket.once('end', () => resolve(Buffer.concat(chunks)));
    socket.once('connect', () => socket.end(bytes));
  });
}

// Splits a whole answer into status, ordered headers [name, value] and body bytes.
export function parseResponse(raw) {
  const split = raw.indexOf('\r\n\r\n');
  if (split < 0) throw new Error(`no complete head in ${JSON.stringify(raw.toString('latin1'))}`);
  const lines = raw.subarray(0, split).toString('utf8').split('\r\n');
  const status = Number(/^HTTP\/1\.1 (\d+) /.exec(lines[0])?.[1]);
  const headers = lines.slice(1).map((line) => {
    const colon = line.indexOf(': ');
    return [line.slice(0, colon), line.slice(colon + 2)];
  });
  const body = raw.subarray(split + 4);
  const all = (name) => headers.filter(([n]) => n.toLowerCase() === name.toLowerCase()).map(([, v]) => v);
  return {
    status, statusLine: lines[0], headers, body, raw,
    text: body.toString('utf8'),
    header: (name) => all(name)[0],
    all,
    json: () => JSON.parse(body.toString('utf8')),
  };
}

// Builds a request: method, target, ordered headers (object or [name, value] pairs), body.
// Content-Length is added for a body (or for PUT/POST without one) unless given.
export function buildRequest(method, target, headers = [], body) {
  const pairs = Array.isArray(headers) ? [...headers] : Object.entries(headers);
  const bytes = body === undefined ? Buffer.alloc(0) : Buffer.from(body);
  const hasLength = pairs.some(([name]) => name.toLowerCase() === 'content-length');
  if (!hasLength && (bytes.length > 0 || method === 'PUT' || method === 'POST')) {
    pairs.push(['Content-Length', String(bytes.length)]);
  }
  const head = `${method} ${target} HTTP/1.1\r\n${pairs.map(([n, v]) => `${n}: ${v}\r\n`).join('')}\r\n`;
  return Buffer.concat([Buffer.from(head, 'utf8'), bytes]);
}

export async function request(port, method, target, headers = [], body) {
  return parseResponse(await exchange(port, buildRequest(method, target, headers, body)));
}
