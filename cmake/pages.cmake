# The pages' scripts: Vork's own, with the npm packages they import (versions
# pinned by src/web/package-lock.json) bundled in at build time by esbuild,
# in the build folder. vork_bundle(OUT ENTRY [--node]) adds a command making
# ${VORK_PAGES_DIR}/OUT from ENTRY; it is made again when any of the pages'
# scripts, or the table of the page's words that they import, changes.
find_program(VORK_NPM npm REQUIRED)
find_program(VORK_NODE node REQUIRED)
set(VORK_PAGES_DIR ${CMAKE_BINARY_DIR}/pages)
set(VORK_WEB_SOURCE ${PROJECT_SOURCE_DIR}/src/web)
add_custom_command(OUTPUT ${VORK_PAGES_DIR}/node_modules/.package-lock.json
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VORK_PAGES_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${VORK_WEB_SOURCE}/package.json ${VORK_WEB_SOURCE}/package-lock.json
          ${VORK_WEB_SOURCE}/bundle.mjs ${VORK_PAGES_DIR}
  COMMAND ${VORK_NPM} ci --no-audit --no-fund --loglevel=error
  WORKING_DIRECTORY ${VORK_PAGES_DIR}
  DEPENDS ${VORK_WEB_SOURCE}/package.json ${VORK_WEB_SOURCE}/package-lock.json ${VORK_WEB_SOURCE}/bundle.mjs
  COMMENT "npm ci: the pages' packages")

function(vork_bundle out entry)
  get_filename_component(folder ${entry} DIRECTORY)
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.js ${VORK_WEB_SOURCE}/page/*.js)
  add_custom_command(OUTPUT ${VORK_PAGES_DIR}/${out}
    COMMAND ${VORK_NODE} ${VORK_PAGES_DIR}/bundle.mjs ${entry} ${VORK_PAGES_DIR}/${out} ${ARGN}
    DEPENDS ${entry} ${sources} ${VORK_WEB_SOURCE}/page_protocol.json ${VORK_PAGES_DIR}/node_modules/.package-lock.json
    COMMENT "Bundling ${out}")
endfunction()
