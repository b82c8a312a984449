-- The saved session reopened and exported at once, as $EXPORT_NAME.
dofile(os.getenv("SCRIPTS") .. "/common.lua")
open_session()
show("reopened")
export(os.getenv("EXPORT_NAME"))
close_session()
