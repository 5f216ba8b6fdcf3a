# Writes the service worker for the build's files: its cache is named after the hash of their contents, so that every
# build that changes a file gets a worker of its own, and one that changes none keeps the old.
# Usage: cmake -DTEMPLATE=sw.js -DSITE=site -DFILES="index.html;..." -P stamp-worker.cmake
set(hashes)
set(quoted "'./'")
foreach(file IN LISTS FILES)
    file(SHA256 ${SITE}/${file} hash)
    string(APPEND hashes "${file} ${hash}\n")
    string(APPEND quoted ", '${file}'")
endforeach()
string(SHA256 VERSION "${hashes}")
string(SUBSTRING ${VERSION} 0 16 VERSION)
set(FILES ${quoted})
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
