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
  221 assets/js/backups.js
)
