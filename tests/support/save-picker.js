// An init script for browser tests: a save picker that keeps what is written. It names the file
// "chosen.html" whatever is suggested, records the options it was called with in
// window.__pickerOptions, keeps the written text in window.__exported and the bytes as base64 in
// window.__saved, and is cancelled while window.__cancelPicker is set.
window.showSaveFilePicker = async (options) => {
  window.__pickerOptions = JSON.parse(JSON.stringify(options));
  if (window.__cancelPicker) throw new DOMException('cancelled', 'AbortError');
  return {
    name: 'chosen.html',
    async createWritable() {
      const parts = [];
      return {
        async write(blob) { parts.push(blob); },
        async close() {
          const bytes = new Uint8Array(await new Blob(parts).arrayBuffer());
          let binary = '';
          for (const byte of bytes) binary += String.fromCharCode(byte);
          window.__saved = btoa(binary);
          window.__exported = new TextDecoder().decode(bytes);
        },
        async abort() {},
      };
    },
  };
};
