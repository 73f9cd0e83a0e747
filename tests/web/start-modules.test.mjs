// The window's first request for modules: index.html preloads exactly the modules its scripts
// import statically (what start-up runs), no more (those load later or on demand) and no fewer.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import test from 'node:test';
import { fileURLToPath } from 'node:url';

const web = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../web');
const html = fs.readFileSync(path.join(web, 'index.html'), 'utf8');
const addresses = (pattern) => [...html.matchAll(pattern)].map((match) => match[1]);

// Every module that `address` imports statically, itself included, as addresses from the root.
function closure(address, found = new Set()) {
  if (found.has(address)) return found;
  found.add(address);
  const source = fs.readFileSync(path.join(web, address), 'utf8');
  for (const [, from, bare] of source.matchAll(/^(?:import|export)\s[^;]*?\sfrom\s*'([^']+)'|^import\s*'([^']+)'/gm)) {
    closure(new URL(from ?? bare, 'http://host' + address).pathname, found);
  }
  return found;
}

test('index.html preloads the static import closure of its module scripts, each once', () => {
  const scripts = addresses(/<script type="module"[^>]*src="([^"]+)"/g);
  const preloaded = addresses(/<link rel="modulepreload" href="([^"]+)"/g);
  assert.deepEqual(scripts, ['/assets/js/boot.js', '/assets/js/app.js']);
  const needed = new Set();
  for (const script of scripts) closure(script, needed);
  for (const script of scripts) needed.delete(script);
  assert.equal(new Set(preloaded).size, preloaded.length, 'a module preloaded twice');
  assert.deepEqual([...preloaded].sort(), [...needed].sort());
});
