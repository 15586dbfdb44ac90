# Pictures: what a picture file is, fitting, the GIF decoder and player, loading, thumbnails
# and their producer, the JPEG writer and the preparation of pictures for upload.
tessaline_sources(PORTABLE
  area_scale.cpp area_scale.h
  dib_row_converter.cpp dib_row_converter.h
  embedded_thumbnail.cpp embedded_thumbnail.h
  exif_reader.cpp exif_reader.h
  fit_picture.cpp fit_picture.h
  gif_animation.cpp gif_animation.h
  gif_canvas.cpp gif_canvas.h
  gif_colour_key.cpp gif_colour_key.h
  gif_decoder.cpp gif_decoder.h
  gif_frame.cpp gif_frame.h
  gif_lzw.cpp gif_lzw.h
  gif_reader.h
  picture_file.cpp picture_file.h
  picture_names.cpp picture_names.h
  thumb_schedule.cpp thumb_schedule.h)
tessaline_sources(WIN
  gif_player.cpp gif_player.h
  jpeg_error.h
  jpeg_writer.cpp jpeg_writer.h
  load_picture.cpp load_picture.h
  prepare_picture.cpp prepare_picture.h
  prepare_workers.cpp prepare_workers.h
  thumb_batch.cpp thumb_batch.h
  thumb_cache.cpp thumb_cache.h
  thumbnail.cpp thumbnail.h
  thumbnail_producer.cpp thumbnail_producer.h)
