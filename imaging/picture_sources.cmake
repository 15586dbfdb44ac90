# Picture helpers of the portable core: classification, fitting, the JPEG writer's rows.
tessaline_sources(PORTABLE
  picture_type.h
  classify_picture.cpp classify_picture.h
  fit_picture.cpp fit_picture.h
  dib_row_converter.cpp dib_row_converter.h
  picture_dimensions.cpp picture_dimensions.h)
