# The maker's names and addresses, in one place. The domain is a reserved example domain.
set(MAKER_DOMAIN "www.velmarosk.example")
set(MAKER_CONTACT "Sarvo MP3 Recorder <sarvo@velmarosk.example>")
set(MAKER_SITE_URL "https://www.velmarosk.example/")
set(MAKER_SITE_URL_EN "https://www.velmarosk.example/en/")
set(INSTRUMENT_NAME "Orvan")
set(INSTRUMENT_URL_EN "https://orvan.velmarosk.example/en/")
set(INSTRUMENT_URL_FR "https://orvan.velmarosk.example/fr/")
set(RECORDER_PAGE_URL "https://www.velmarosk.example/sarvo-mp3-recorder/")
