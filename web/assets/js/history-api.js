// The page history's requests: a page's kept versions, one version's body, and the images that
// kept versions show.
import { request } from './api.js';

export const historyApi = {
  // [{ id, time, size }], newest first.
  async revisions(pageId) {
    const body = await (await request('/api/pages/' + pageId + '/revisions')).json();
    return Array.isArray(body.revisions) ? body.revisions : [];
  },

  async revision(pageId, revisionId) {
    return (await request('/api/pages/' + pageId + '/revisions/' + revisionId)).text();
  },

  async images() {
    const body = await (await request('/api/history/images')).json();
    return Array.isArray(body.images) ? body.images : [];
  },
};
