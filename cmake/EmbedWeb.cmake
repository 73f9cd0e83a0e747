# Embedding of the web client is added with the asset table; until then nothing is embedded.
set(FERNCARD_EMBEDDED_SOURCES "")
set(FERNCARD_GENERATED_INCLUDE "")
set(FERNCARD_EXE_RESOURCES "")
