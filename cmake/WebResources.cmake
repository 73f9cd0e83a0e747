# The files of web/ that the program embeds, each with its integer resource identifier.
# The asset table in src/http/assets.cpp maps request paths to these identifiers.
set(FERNCARD_WEB_RESOURCES
  201 index.html
  202 assets/css/app.css
  203 assets/js/api.js
  204 assets/js/app.js
  205 assets/js/editor.js
  206 assets/js/images.js
  208 assets/js/sanitize.js
  209 assets/js/toolbar.js
  210 assets/js/tree.js
  211 assets/js/dialogs.js
  212 assets/js/export.js
  213 assets/favicon.png
  214 assets/js/page-links.js
  215 assets/js/search-text.js
  216 assets/js/search-results.js
  217 assets/js/backlinks.js
  218 assets/js/page-picker.js
  219 assets/js/tree-model.js
)
