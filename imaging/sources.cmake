# Pictures: classification, fitting, the GIF decoder and player, loading, thumbnails and their
# producer, the JPEG writer and the preparation of pictures for upload.
tessaline_sources(PORTABLE
  classify_picture.cpp classify_picture.h
  fit_picture.cpp fit_picture.h
  dib_row_converter.cpp dib_row_converter.h
  exif_reader.cpp exif_reader.h
  picture_dimensions.cpp picture_dimensions.h
  picture_names.cpp picture_names.h
  gif_animation.cpp gif_animation.h
  gif_canvas.cpp gif_canvas.h
  gif_colour_key.cpp gif_colour_key.h
  gif_decoder.cpp gif_decoder.h
  gif_frame.cpp gif_frame.h
  gif_lzw.cpp gif_lzw.h
  gif_reader.h
  thumb_schedule.cpp thumb_schedule.h)
tessaline_sources(WIN
  dib_capture.cpp dib_capture.h
  gif_player.cpp gif_player.h
  jpeg_error.h
  jpeg_thumbnail_decoder.cpp jpeg_thumbnail_decoder.h
  jpeg_writer.cpp jpeg_writer.h
  load_picture.cpp load_picture.h
  make_thumbnail.cpp make_thumbnail.h
  picture_for_box.cpp picture_for_box.h
  picture_size.cpp picture_size.h
  prepare_picture.cpp prepare_picture.h
  save_rect_as_jpeg.cpp save_rect_as_jpeg.h
  thumb_batch.cpp thumb_batch.h
  thumb_cache.cpp thumb_cache.h
  thumb_result.h
  thumbnail_producer.cpp thumbnail_producer.h)
