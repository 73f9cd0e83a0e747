// Copies the client's libraries from their npm packages into web/vendor/, one file each with its
// licence beside it. Refresh: change the versions in package.json, `npm install`, then
// `node scripts/vendor.mjs`, and update the table in the README.
import { readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const root = join(dirname(fileURLToPath(import.meta.url)), '..');
const modules = join(root, 'node_modules');
const vendor = join(root, 'web', 'vendor');

// A CommonJS file that requires nothing, made an ES module: it fills `module.exports` as it
// would under Node, and the module exports that as its default.
const wrapCommonJs = (text) =>
  'const module = { exports: {} };\nconst exports = module.exports;\n' + text + '\nexport default module.exports;\n';

const LIBRARIES = [
  // The package's own browser build as one ES module (its plain ES build imports five packages).
  // It carries five packages inside; their licences go beside it too.
  {
    name: 'markdown-it', file: 'dist/browser/markdown-it.esm.min.mjs', licence: 'LICENSE',
    bundled: ['entities', 'linkify-it', 'mdurl', 'punycode.js', 'uc.micro'],
  },
  // Published as one CommonJS file only, without an ES build.
  { name: 'markdown-it-task-lists', file: 'index.js', licence: 'LICENSE', wrap: wrapCommonJs },
  { name: 'js-yaml', file: 'dist/js-yaml.mjs', licence: 'LICENSE' },
  { name: 'turndown', file: 'lib/turndown.browser.es.js', licence: 'LICENSE' },
  { name: 'turndown-plugin-gfm', file: 'lib/turndown-plugin-gfm.browser.es.js', licence: 'LICENSE' },
  { name: 'fflate', file: 'esm/browser.js', licence: 'LICENSE' },
  // Its browser build (UMD) sets globalThis.Diff when loaded as a module.
  { name: 'diff', file: 'dist/diff.js', licence: 'LICENSE' },
];

for (const library of LIBRARIES) {
  const folder = join(modules, library.name);
  const { version, license } = JSON.parse(readFileSync(join(folder, 'package.json'), 'utf8'));
  let text = readFileSync(join(folder, library.file), 'utf8')
    .replace(/^\/\/[#@] sourceMappingURL=.*$/gm, '');
  if (library.wrap) text = library.wrap(text);
  const header = `// ${library.name} ${version} (${license}), copied from ${library.name}/${library.file} by scripts/vendor.mjs.\n`;
  writeFileSync(join(vendor, library.name + '.js'), header + text);
  let licence = readFileSync(join(folder, library.licence), 'utf8');
  for (const inside of library.bundled || []) {
    const insideFolder = join(modules, inside);
    const file = readdirSync(insideFolder).find((name) => /^licen[cs]e/i.test(name));
    const insideVersion = JSON.parse(readFileSync(join(insideFolder, 'package.json'), 'utf8')).version;
    licence += `\n---- ${inside} ${insideVersion}, bundled in ${library.name} ----\n\n` + readFileSync(join(insideFolder, file), 'utf8');
  }
  writeFileSync(join(vendor, library.name + '.LICENSE.txt'), licence);
  console.log(`${library.name} ${version}`);
}
