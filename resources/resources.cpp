// Resource pictures are added to this library by qt_add_resources.
