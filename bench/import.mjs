// The import benchmark: a folder of Markdown notes with pictures, made in the window and read
// by the client's own import (as the file menu runs it), beside the same bodies and pictures
// written straight through the API one after another.

// Runs in the window; notes Markdown files in folders of 50, each linking the next and showing
// one of the pictures.
export function importTimings(page, { notes, pictures }) {
  return page.evaluate(async ({ notes, pictures }) => {
    const { runImport } = await import('/assets/js/import-run.js');
    const { TreeStore } = await import('/assets/js/tree-store.js');
    const picture = (n) => {
      const bytes = new Uint8Array(16 * 1024);
      crypto.getRandomValues(bytes);
      bytes.set([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a], 0);
      bytes[8] = n & 0xff;
      bytes[9] = n >> 8;
      return bytes;
    };
    const files = [];
    for (let n = 0; n < pictures; n++) files.push({ path: `images/p${n}.png`, file: new File([picture(n)], `p${n}.png`) });
    const paragraph = '段落の本文です。The quick brown fox jumps over the lazy dog. '.repeat(8);
    for (let n = 0; n < notes; n++) {
      const text = `---\ntitle: ノート ${n}\n---\n\n## 見出し\n\n${paragraph}\n\n- 項目 1\n- [ ] 作業\n\n` +
        `[次へ](../f${Math.floor(((n + 1) % notes) / 50)}/n${(n + 1) % notes}.md) ![](../images/p${n % pictures}.png)\n`;
      files.push({ path: `f${Math.floor(n / 50)}/n${n}.md`, file: new File([text], `n${n}.md`) });
    }
    const store = new TreeStore();
    await store.load();
    const began = performance.now();
    const result = await runImport({ files, rootName: 'bench', store });
    const ms = performance.now() - began;

    // The floor: as many bodies and pictures written one after another, without reading anything.
    const { api } = await import('/assets/js/api.js');
    const directBegan = performance.now();
    for (let n = 0; n < pictures; n++) await api.uploadImage(new Blob([picture(n + pictures)]));
    for (let n = 0; n < notes; n++) await api.putPage(crypto.randomUUID(), '<h2>見出し</h2><p>' + paragraph + '</p>', '0');
    return { ms, direct: performance.now() - directBegan, pages: result.pages, pictures: result.pictures, skipped: result.skipped.length };
  }, { notes, pictures });
}

export function importRows(row, { notes, pictures }, result) {
  if (result && (result.pictures !== pictures || result.skipped)) {
    throw new Error(`import: ${result.pictures} of ${pictures} pictures, ${result.skipped} files skipped`);
  }
  const ms = result?.ms ?? Infinity;
  row('client', `import of ${notes} notes with ${pictures} pictures`, ms, 'ms',
    'same bodies and pictures written', result?.direct ?? NaN, ms / result?.direct, '< 30000 ms', ms < 30000);
}
