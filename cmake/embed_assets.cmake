# Builds the pictures and the tray icon into the program as const byte arrays, generated
# from assets/ at build time (the generated source is never committed).
set(EMBEDDED_ASSET_FILES
    ${PROJECT_SOURCE_DIR}/assets/petal1.png
    ${PROJECT_SOURCE_DIR}/assets/petal2.png
    ${PROJECT_SOURCE_DIR}/assets/petal3.png
    ${PROJECT_SOURCE_DIR}/assets/petal4.png
    ${PROJECT_SOURCE_DIR}/assets/petal5.png
    ${PROJECT_SOURCE_DIR}/assets/petal6.png
    ${PROJECT_SOURCE_DIR}/assets/petal7.png
    ${PROJECT_SOURCE_DIR}/assets/petal8.png
    ${PROJECT_SOURCE_DIR}/assets/lorvane.ico
)
set(EMBEDDED_ASSETS_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/embedded_assets.cpp)
add_custom_command(
    OUTPUT ${EMBEDDED_ASSETS_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${EMBEDDED_ASSETS_SOURCE}
            "-DFILES=${EMBEDDED_ASSET_FILES}" -P ${PROJECT_SOURCE_DIR}/cmake/write_embedded_assets.cmake
    DEPENDS ${EMBEDDED_ASSET_FILES} ${PROJECT_SOURCE_DIR}/cmake/write_embedded_assets.cmake
    COMMENT "Embedding pictures and tray icon"
    VERBATIM
)
