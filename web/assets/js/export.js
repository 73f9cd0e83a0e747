// HTML export. Only the file-name rule lives here so far; building and writing the export file
// (createExport, embedImages, buildDocument, pickSaveTarget, writeTarget) is not written yet.

const RESERVED_NAME = /^(con|prn|aux|nul|com[0-9]|lpt[0-9])$/i;

export function sanitizeFileName(name) {
  let text = name === null || name === undefined ? '' : String(name);
  text = text.replace(/[\\/:*?"<>|\u0000-\u001f]/g, '_');
  text = text.replace(/^[\s.]+|[\s.]+$/g, '');
  text = text.slice(0, 80).replace(/[\s.]+$/g, '');
  if (!text) text = 'Ferncard';
  if (RESERVED_NAME.test(text)) text = '_' + text;
  return text;
}
