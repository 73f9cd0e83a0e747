# The files of web/ that the program embeds and serves, one a line: the one list of them. Each
# is served at "/" followed by its path (index.html at "/" alone), with the content type of its
# extension, and gets the resource identifier 201, 202, ... in the order written here.
set(FERNCARD_WEB_RESOURCES
  index.html
  assets/css/app.css
  assets/css/content.css
  assets/js/api.js
  assets/js/app.js
  assets/js/dialogs.js
  assets/js/editor.js
  assets/js/export.js
  assets/js/images.js
  assets/js/sanitize.js
  assets/js/toolbar.js
  assets/js/tree.js
  assets/favicon.png
)
set(FERNCARD_FIRST_WEB_RESOURCE_ID 201)
