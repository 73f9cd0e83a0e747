# The files of web/ that the program embeds and serves, one a line: the one list of them. Each
# is served at "/" followed by its path (index.html at "/" alone), with the content type of its
# extension, and gets the resource identifier 201, 202, ... in the order written here.
set(FERNCARD_WEB_RESOURCES
  index.html
  assets/css/app.css
  assets/css/sidebar.css
  assets/css/editor.css
  assets/css/overlays.css
  assets/css/search.css
  assets/css/print.css
  assets/css/content.css
  assets/js/api.js
  assets/js/app.js
  assets/js/dialogs.js
  assets/js/editor.js
  assets/js/editor-blocks.js
  assets/js/editor-transfer.js
  assets/js/export.js
  assets/js/images.js
  assets/js/sanitize.js
  assets/js/toolbar.js
  assets/js/tree-controller.js
  assets/js/tree-model.js
  assets/js/tree-store.js
  assets/js/tree-view.js
  assets/js/view-state.js
  assets/js/context-menu.js
  assets/js/trash-view.js
  assets/js/banner.js
  assets/js/splitter.js
  assets/js/file-menu.js
  assets/js/export-dialog.js
  assets/js/content-rules.js
  assets/js/backlinks.js
  assets/js/backups.js
  assets/js/page-links.js
  assets/js/page-picker.js
  assets/js/search-results.js
  assets/js/search-text.js
  assets/favicon.png
  assets/js/editor-events.js
  assets/js/editor-history.js
  assets/js/inert-html.js
  assets/js/office-lists.js
  assets/js/paste-text.js
)
set(FERNCARD_FIRST_WEB_RESOURCE_ID 201)
