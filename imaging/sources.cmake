# Pictures: loading, thumbnails, the JPEG writer and preparation, the GIF player.
include(${CMAKE_CURRENT_LIST_DIR}/gif_sources.cmake OPTIONAL)
include(${CMAKE_CURRENT_LIST_DIR}/picture_sources.cmake OPTIONAL)
include(${CMAKE_CURRENT_LIST_DIR}/gif_win_sources.cmake OPTIONAL)
