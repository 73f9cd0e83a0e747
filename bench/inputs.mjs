// The benchmark's inputs: page bodies, office HTML and trees of any shape, with their ids and tags.
import crypto from 'node:crypto';

export const tagOf = (body) => '"' + crypto.createHash('sha256').update(body).digest('hex').slice(0, 32) + '"';
export const pageIdOf = (n) => `00000000-0000-4000-8000-${n.toString(16).padStart(12, '0')}`;

export function pageHtml(bytes) {
  const parts = [];
  let size = 0;
  for (let n = 0; size < bytes; n++) {
    const piece = `<p>段落 ${n}: 文字の<b>並び</b>と <i>書式</i> を含む本文です。The quick brown fox jumps over the lazy dog.</p>`;
    parts.push(piece);
    size += Buffer.byteLength(piece);
  }
  return parts.join('');
}

export function officeHtml(bytes) {
  const parts = ['<html xmlns:o="urn:schemas-microsoft-com:office:office"><head><style>p.MsoNormal{margin:0}</style></head><body lang=JA>'];
  let size = 0;
  for (let n = 0; size < bytes; n++) {
    const piece = `<p class=MsoNormal style='margin:0mm;font-size:10.5pt;font-family:"MS Mincho",serif'>` +
      `<span lang=EN-US style='font-family:"Century",serif'>Item ${n}</span><b><span style='color:#C00000'>重要</span></b>` +
      `<span style='mso-spacerun:yes'>  </span>本文の文字列です。<o:p></o:p></p>`;
    parts.push(piece);
    size += piece.length;
  }
  parts.push('</body></html>');
  return parts.join('');
}


// count pages as `groups` top pages with `each` children (flat when each is 0).
export function treeDocument(groups, each) {
  const pages = [];
  let n = 0;
  const add = (parentId, order) => {
    const id = pageIdOf(++n);
    pages.push({ id, parentId, order, title: `ページ ${n}`, createdAt: 1700000000000 + n, updatedAt: 1700000000000 + n, deletedAt: null });
    return id;
  };
  for (let g = 0; g < groups; g++) {
    const top = add(null, (g + 1) * 1000);
    for (let c = 0; c < each; c++) add(top, (c + 1) * 1000);
  }
  return JSON.stringify({ schemaVersion: 1, pages });
}

// ---- measuring ----
