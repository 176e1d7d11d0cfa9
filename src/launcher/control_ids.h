/* The controls of the setup dialog "ASD". One list, read by the resource script (which
   knows only #define), the dialog's behaviour, the UI driver and the end-to-end tests. */
#ifndef DL_LAUNCHER_CONTROL_IDS_H
#define DL_LAUNCHER_CONTROL_IDS_H

#define DL_ID_INSTALL 1019 /* Install, or Uninstall in installed mode */
#define DL_ID_EXIT 1020    /* Exit, or OK once a command has run */
#define DL_ID_DRIVE 1022   /* the drive button: opens the folder browser */
#define DL_ID_FOLDER 1023  /* the folder field */
#define DL_ID_PLAY 1024
#define DL_ID_STATUS 1025   /* the status text */
#define DL_ID_PROGRESS 1026 /* the copy's progress bar */
#define DL_ID_PICTURE 1027
#define DL_ID_DEMO 1028
#define DL_ID_FOLDER_LABEL 1031    /* names the folder field (and gives it an access key) */
#define DL_ID_OPTIONAL 1029        /* not in the template: calls on it do nothing */
#define DL_ID_EXTRA_INSTALLER 1033 /* not in the template either */

#endif
