# Fuzz targets of this area: wizard_fuzz(NAME sources...).
