# Run after the page's link (src/web/CMakeLists.txt) with -DJS=kiru.js -DDATA=kiru.data:
# Emscripten's file packager names the images' package with a random UUID inside kiru.js, so two
# links of one source would differ. The name becomes one made from the package's own SHA-256:
# the same images give the same name, and other images another.
file(SHA256 "${DATA}" hash)
string(REGEX REPLACE "^(........)(....)(....)(....)(............).*$" "\\1-\\2-\\3-\\4-\\5" id
                     "${hash}")
file(READ "${JS}" script)
string(REGEX REPLACE "\"package_uuid\":\"[-0-9a-f]+\"" "\"package_uuid\":\"${id}\"" named
                     "${script}")
string(FIND "${named}" "\"package_uuid\":\"${id}\"" found)
if(found EQUAL -1)
    message(FATAL_ERROR "${JS}: no package_uuid to name")
endif()
file(WRITE "${JS}" "${named}")
