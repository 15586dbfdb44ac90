# Win32 side of the pictures: loading, thumbnails and their producer, the JPEG writer and
# the preparation of pictures for upload.
tessaline_sources(WIN
  dib_capture.cpp dib_capture.h
  jpeg_error.h
  jpeg_thumbnail_decoder.cpp jpeg_thumbnail_decoder.h
  jpeg_writer.cpp jpeg_writer.h
  load_picture.cpp load_picture.h
  make_thumbnail.cpp make_thumbnail.h
  picture_for_box.cpp picture_for_box.h
  picture_size.cpp picture_size.h
  prepare_picture.cpp prepare_picture.h
  save_rect_as_jpeg.cpp save_rect_as_jpeg.h
  temp_file.cpp temp_file.h
  thumb_batch.cpp thumb_batch.h
  thumb_result.h
  thumbnail_producer.cpp thumbnail_producer.h)
